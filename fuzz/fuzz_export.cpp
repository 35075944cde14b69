// A string value written as a backup line and read back must come back unchanged: the input is
// the text (UTF-8, or UTF-16LE after a first byte 0x01), also used as the value's name.
#include "delphireg/RegExport.h"
#include "delphireg/RegImport.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void mismatch(const char* what, const QString& text)
{
    std::fprintf(stderr, "%s for the text \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString text;
    if (size > 0 && data[0] == 1) {
        text = QString(qsizetype((size - 1) / 2), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(data[1 + 2 * i] | (data[2 + 2 * i] << 8)));
    } else {
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    }

    const vx::RegValue value = vx::RegValue::string(u"n"_s, text);
    const QString stored = value.text();
    // Out of reach of the format: a lone surrogate has no UTF-8 form.
    if (!stored.isValidUtf16())
        return 0;

    const QString name = stored;
    const QStringList lines{u"REGEDIT4"_s, QString(), u"[HKEY_CURRENT_USER\\Software\\Fuzz]"_s,
                            u'"' + vx::escapeRegText(name) + u"\"=\""_s + vx::regDataText(value) + u'"'};
    std::vector<vx::RegOperation> ops;
    try {
        ops = vx::parseRegFile(vx::regFileBytes(lines), u"export.reg"_s);
    } catch (const vx::OperationError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        mismatch("the exported line does not parse", stored);
    }
    if (ops.size() != 2 || ops[1].kind != vx::RegOperation::Kind::SetValue)
        mismatch("wrong operations", stored);
    const vx::RegValue& back = ops[1].value;
    if (back.name != name)
        mismatch("the name changed", stored);
    if (back.type != vx::REG_SZ || back.text() != stored ||
        back.data != vx::RegValue::string(name, stored).data)
        mismatch("the text changed", stored);
    return 0;
}
