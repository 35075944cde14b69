// Our INI store against Windows' own profile functions, asked through a small Windows program
// run under Wine: what a file says must read the same in both, and what we write must read
// back in Windows as we meant it.

#include "platform/ini/IniFile.h"
#include "support/TestFiles.h"
#include "support/WinProbe.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class IniWineTest : public test::ProbeTest
{
  protected:
    IniWineTest() : ProbeTest(u"profile_probe"_s) {}
    QString file(const QString& name) const { return s_dir->filePath(name); }

    // Every key of `keys` reads the same through our store and through Windows.
    static void expectSameReading(const QString& path, const std::vector<test::ProfileKey>& keys)
    {
        const auto windows = test::windowsProfileRead(path, keys);
        ASSERT_EQ(windows.size(), keys.size()) << "the probe failed on " << path.toStdString();
        const IniFile ours(path);
        for (size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(ours.value(keys[i].section, keys[i].key), windows[i])
                << path.toStdString() << ": [" << keys[i].section.toStdString() << "] "
                << keys[i].key.toStdString() << "; Windows reads "
                << windows[i].value_or(u"(missing)"_s).toStdString();
        }
    }
};

TEST_F(IniWineTest, SectionNamesBlanksAndQuotesReadAsWindowsReadsThem)
{
    const QString path = file(u"names.vx7"_s);
    test::writeAll(
        path,
        "[DelphiExperts]\r\nExpertName1=plain\r\nExpertName2=\"quoted\"\r\na='single'\r\n"
        "b=\"mixed'\r\nd=\"\"\r\ne= \"  padded \" \r\nf=x\"y\"\r\ng=\"\r\nh=  spaced out  \r\n  k = v \r\n"
        "[Tools [old]]\r\nTitle1=Old tool\r\n[a]b]\r\nx=1\r\n  [  padded name  ]  \r\ny=2\r\n");
    std::vector<test::ProfileKey> keys{{u"Tools [old]"_s, u"Title1"_s},
                                       {u"a]b"_s, u"x"_s},
                                       {u"padded name"_s, u"y"_s},
                                       {u"Tools"_s, u"Title1"_s}};
    for (const QString& k :
         {u"ExpertName1"_s, u"ExpertName2"_s, u"a"_s, u"b"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s, u"k"_s})
        keys.push_back({u"DelphiExperts"_s, k});
    expectSameReading(path, keys);
    EXPECT_EQ(IniFile(path).sectionNames(), test::windowsProfileSections(path));
}

TEST_F(IniWineTest, WhatWeWriteWindowsReadsBackAndTheOtherWayRound)
{
    const QString path = file(u"written.vx7"_s);
    const QStringList values{u"plain"_s,     u"  leading"_s, u"trailing  "_s, u"\"quoted\""_s, u"'single'"_s,
                             u"\"mixed'"_s,  u"\""_s,        u"\"\""_s,       u" \" "_s,       u"x\"y\""_s,
                             u"a = b ; c"_s, u""_s,          u"'"_s};
    {
        IniFile ini(path);
        for (qsizetype i = 0; i < values.size(); ++i)
            ini.writeString(u"Values"_s, u"v%1"_s.arg(i), values[i]);
    }
    std::vector<test::ProfileKey> keys;
    for (qsizetype i = 0; i < values.size(); ++i)
        keys.push_back({u"Values"_s, u"v%1"_s.arg(i)});
    const auto windows = test::windowsProfileRead(path, keys);
    ASSERT_EQ(windows.size(), keys.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(windows[size_t(i)], std::optional<QString>(values[i]))
            << "written: [" << values[i].toStdString() << "]";

    // A key Windows writes into our file while we hold it open survives our next write.
    IniFile held(path);
    ASSERT_TRUE(test::windowsProfileWrite(path, u"Font"_s, u"Name"_s, u"Tahoma"_s));
    held.writeString(u"Values"_s, u"after"_s, u"1"_s);
    EXPECT_EQ(IniFile(path).readString(u"Font"_s, u"Name"_s), u"Tahoma"_s);
}

TEST_F(IniWineTest, EncodingsWindowsReads)
{
    // "Unicode" as Windows editors save it, a UTF-8 file with a byte-order mark, and a legacy file
    // in the prefix's ANSI code page (1252 in a prefix made under the C locale).
    const QString text = u"[Lang]\r\nName=Caf\u00e9 \u00fcber\r\nPlain=abc\r\n"_s;
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    test::writeAll(file(u"utf16.lng"_s), utf16.encode(text));
    test::writeAll(file(u"bom.lng"_s), "\xef\xbb\xbf" + text.toUtf8());
    test::writeAll(file(u"legacy.lng"_s), QStringEncoder("windows-1252").encode(text));
    for (const QString& name : {u"utf16.lng"_s, u"bom.lng"_s, u"legacy.lng"_s}) {
        SCOPED_TRACE(name.toStdString());
        expectSameReading(file(name), {{u"Lang"_s, u"Name"_s}, {u"Lang"_s, u"Plain"_s}});
        EXPECT_EQ(IniFile(file(name)).readString(u"Lang"_s, u"Name"_s), u"Caf\u00e9 \u00fcber"_s);
    }
}

} // namespace
