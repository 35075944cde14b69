// libFuzzer target for the language loader on hostile language files: whatever the file holds,
// loading it must not crash, must be deterministic, and every text the file does not name must
// keep its English default.
#include "i18n/LanguageLoader.h"
#include "i18n/UiTexts.h"
#include "platform/ini/IniFile.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    vx::IniFile file;
    file.setContent(bytes);

    vx::UiTexts first;
    const vx::LanguageTexts a = vx::applyLanguage(file, u"fuzz"_s, first);
    vx::UiTexts second;
    const vx::LanguageTexts b = vx::applyLanguage(file, u"fuzz"_s, second);
    for (int t = 0; t < vx::kUiTextCount; ++t) {
        if (first.get(vx::UiText(t)) != second.get(vx::UiText(t)))
            std::abort();
    }
    if (a.controls.size() != b.controls.size() || a.mainWindowHint != b.mainWindowHint)
        std::abort();
    for (const auto& [object, texts] : a.controls) {
        if (object.isEmpty())
            std::abort();
        for (const auto& [column, text] : texts.columns)
            if (column < 1)
                std::abort();
    }

    // A file without sections names nothing: every variable keeps its English default.
    if (file.sectionNames().isEmpty()) {
        for (int t = 0; t < vx::kUiTextCount; ++t) {
            if (first.get(vx::UiText(t)) != vx::UiTexts::english(vx::UiText(t)))
                std::abort();
        }
    }
    return 0;
}
