#include "platform/CodePage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// A machine hive as Wine writes it, holding the given keys.
QByteArray machineHive(const QByteArray& keys)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + keys;
}

TEST(CodePage, AnsiCodePageOfThePrefixInEachHiveLayout)
{
    // Debian's Wine 8: the keys stand under CurrentControlSet itself, spelled "Codepage".
    const QByteArray debian =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
        "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\Codepage] 1796554522\n"
        "#time=1dc6b1f2b2a0000\n\"1252\"=\"c_1252.nls\"\n\"ACP\"=\"936\"\n\"OEMCP\"=\"936\"\n";
    EXPECT_EQ(ansiCodePageFromHive(debian), 936);

    // Without a readable link, ControlSet001 is the one Wine makes current.
    const QByteArray unlinked =
        machineHive("[System\\\\ControlSet001\\\\Control\\\\Nls\\\\CodePage] 1\r\n\"ACP\"=\"1251\"\r\n");
    EXPECT_EQ(ansiCodePageFromHive(unlinked), 1251);

    // Another key's value of the same name gives 1252.
    EXPECT_EQ(ansiCodePageFromHive(machineHive("[Software\\\\Nls\\\\CodePage] 1\n\"ACP\"=\"936\"\n")), 1252);
    EXPECT_EQ(
        ansiCodePageFromHive("[System\\\\ControlSet001\\\\Control\\\\Nls\\\\CodePage] 1\n\"ACP\"=\"936\"\n"),
        1252)
        << "a file Wine refuses (no header) gives nothing";

    QTemporaryDir dir;
    EXPECT_EQ(readAnsiCodePage(dir.path()), 1252) << "no system.reg";
    test::writeAll(dir.filePath(u"system.reg"_s), debian);
    EXPECT_EQ(readAnsiCodePage(dir.path()), 936);
}

TEST(CodePage, TextRoundTripsWhereItFitsAndIsRefusedWhereNot)
{
    // Every byte of 1252 reads as one character and writes back as the same byte.
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = decodeFromCodePage(all, 1252);
    EXPECT_EQ(text.at(0x80 - 1), QChar(0x20ac)) << "0x80 is the euro sign";
    EXPECT_EQ(encodeInCodePage(text, 1252), std::optional<QByteArray>(all));

    const QString chinese = u"\u7ec4\u4ef6 Delphi \u00e9"_s;
    const auto gbk = encodeInCodePage(chinese, 936);
    ASSERT_TRUE(gbk.has_value());
    EXPECT_EQ(*gbk, QByteArray("\xd7\xe9\xbc\xfe Delphi \xa8\xa6"));
    EXPECT_EQ(decodeFromCodePage(*gbk, 936), chinese);

    // No silent '?' and no look-alike: characters outside the code page are refused.
    EXPECT_EQ(encodeInCodePage(chinese, 1252), std::nullopt);
    EXPECT_EQ(encodeInCodePage(u"A\u0100"_s, 1252), std::nullopt) << "A with macron is not plain A";

    // A broken double-byte sequence reads as a replacement, never as a swallowed line end.
    EXPECT_EQ(decodeFromCodePage("a\xd7", 936), u"a\ufffd"_s);
    EXPECT_EQ(decodeFromCodePage("\xd7\n", 936).back(), u'\n');

    setAnsiCodePage(0);
    EXPECT_EQ(ansiCodePage(), 1252) << "an unusable number falls back to 1252";
}

} // namespace
