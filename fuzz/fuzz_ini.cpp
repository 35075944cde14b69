// Arbitrary bytes as a profile file in each form the INI store reads: as they are (UTF-8, or legacy
// when not valid UTF-8) in code pages 1252 and 936, after a UTF-8 byte-order mark, as UTF-16 LE and
// BE after their marks, and forced to be legacy. Every key is read, one key is written (in a batch,
// so nothing touches the disk) and the file is serialised and read again. Invariants: the written
// value reads back, every other key reads as before, and serialising what was read back gives the
// same bytes again.
#include "platform/CodePage.h"
#include "platform/ini/IniFile.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const char* what, const QString& section, const QString& key)
{
    std::fprintf(stderr, "%s: [%s] %s\n", what, section.toUtf8().constData(), key.toUtf8().constData());
    std::abort();
}

using Values = std::map<std::pair<QString, QString>, std::optional<QString>>;

Values readEverything(const vx::IniFile& ini)
{
    Values values;
    for (const QString& section : ini.sectionNames()) {
        for (const QString& key : ini.keyNames(section)) {
            // Integers, times and dates go through their parsers too (the results are not checked).
            (void)ini.readInteger(section, key, 0);
            (void)ini.readTime(section, key, 0);
            (void)ini.readDateTime(section, key, {});
            values.emplace(std::make_pair(section, key), ini.value(section, key));
        }
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int mode = data[0] % 7;
    // The value to write: the second byte picks how many of the last input bytes it takes.
    const size_t valueLength = std::min<size_t>(data[1] % 48, size - 2);
    const QByteArray body(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));

    QByteArray file;
    int codePage = 1252;
    switch (mode) {
    case 0:
        file = body;
        break;
    case 1:
        file = body;
        codePage = 936;
        break;
    case 2:
        file = "\xEF\xBB\xBF" + body;
        break;
    case 3:
        file = "\xFF\xFE" + body;
        break;
    case 4:
        file = "\xFE\xFF" + body;
        break;
    case 5:
        file = body + "\n;\xff\n";
        break;
    default:
        file = body + "\n;\x81\n";
        codePage = 936;
        break;
    }
    vx::setAnsiCodePage(codePage);

    vx::IniFile ini;
    ini.setContent(file);
    const vx::IniFileEncoding encoding = ini.encoding();
    const Values before = readEverything(ini);

    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::ConvertInitialBom); // U+FEFF is text here
    QString value = utf8.decode(body.right(qsizetype(valueLength)));
    value.remove(u'\r').remove(u'\n');
    const QStringList sections = ini.sectionNames();
    const QString section = sections.isEmpty() ? u"Fuzz"_s : sections.first();
    const QString key = u"k"_s;

    ini.beginBatch();
    ini.writeString(section, key, value);
    if (ini.readString(section, key) != value)
        fail("the written value does not read back from memory", section, key);
    const QByteArray written = ini.serialize();
    ini.abandonBatch();

    vx::IniFile again;
    again.setContent(written);
    if (again.readString(section, key, u"<missing>"_s) != value)
        fail("the written value does not read back from the file", section, key);
    if (again.encoding() != encoding &&
        !(encoding.kind == vx::IniEncoding::CodePage && again.encoding().kind == vx::IniEncoding::Utf8))
        fail("the file changed its form", section, key);
    for (const auto& [name, old] : before) {
        if (name.first.compare(section, Qt::CaseInsensitive) == 0 &&
            name.second.compare(key, Qt::CaseInsensitive) == 0)
            continue;
        if (again.value(name.first, name.second) != old)
            fail("an untouched value changed", name.first, name.second);
    }
    if (again.serialize() != written)
        fail("serialising what was read back gave other bytes", section, key);
    return 0;
}
