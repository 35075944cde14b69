#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::readAll;
using vx::test::writeAll;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString& name = u"a.ini"_s) const { return dir.filePath(name); }
};

TEST_F(IniFileTest, NamesMatchIgnoringAsciiCaseOnly)
{
    writeAll(path(), "[DelphiCompGroups]\r\nGroup1=Standard\r\nnum=1\r\n[\xc3\x84rger]\r\nk=v\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(u"delphicompgroups"_s, u"group1"_s), u"Standard"_s);
    EXPECT_EQ(ini.readInteger(u"DELPHICOMPGROUPS"_s, u"Num"_s, 0), 1);
    EXPECT_EQ(ini.readString(u"\u00c4rger"_s, u"K"_s), u"v"_s);
    // Non-ASCII letters are not folded.
    EXPECT_FALSE(ini.hasSection(u"\u00e4rger"_s));
    EXPECT_EQ(ini.readString(u"Missing"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(ini.readString(u"DelphiCompGroups"_s, u"Group2"_s, u"dflt"_s), u"dflt"_s);
}

TEST_F(IniFileTest, WritesKeepPlacesAndAppendAtTheEnd)
{
    writeAll(path(), ";Delphi7 Vorlix File\n[A]\nx=1\n; a comment\nweird line\ny=2\n[B]\nz=3");
    IniFile ini(path());
    ini.writeString(u"a"_s, u"X"_s, u"10"_s); // replaces in place, keeps the key's spelling
    ini.writeString(u"A"_s, u"new"_s, u"n"_s); // end of its section, after the kept lines
    ini.writeString(u"C"_s, u"c"_s, u"c"_s);   // new section at the end of the file
    EXPECT_EQ(readAll(path()), QByteArray(";Delphi7 Vorlix File\r\n[A]\r\nx=10\r\n; a comment\r\nweird line\r\ny=2\r\n"
                                          "new=n\r\n[B]\r\nz=3\r\n[C]\r\nc=c\r\n"));

    ini.eraseSection(u"b"_s);
    ini.deleteKey(u"A"_s, u"y"_s);
    EXPECT_EQ(readAll(path()), QByteArray(";Delphi7 Vorlix File\r\n[A]\r\nx=10\r\n; a comment\r\nweird line\r\n"
                                          "new=n\r\n[C]\r\nc=c\r\n"));
    // An erased section comes back at the end of the file.
    ini.writeString(u"B"_s, u"z"_s, u"4"_s);
    EXPECT_TRUE(readAll(path()).endsWith("[C]\r\nc=c\r\n[B]\r\nz=4\r\n"));
    EXPECT_FALSE(ini.hasKey(u"A"_s, u"y"_s));
    // Every write was on disk at once: a second reader sees it.
    EXPECT_EQ(IniFile(path()).readString(u"b"_s, u"Z"_s), u"4"_s);
}

TEST_F(IniFileTest, UntouchedLinesSurviveByteForByte)
{
    // Invalid UTF-8 and a line without an equals sign must come back as they were.
    const QByteArray original = "[S]\r\nbad=\xff\xfe\x80\r\nnoequals\r\n  spaced = value  \r\n";
    writeAll(path(), original);
    IniFile ini(path());
    EXPECT_EQ(ini.readString(u"S"_s, u"spaced"_s), u"value"_s);
    ini.writeString(u"S"_s, u"other"_s, u"1"_s);
    EXPECT_EQ(readAll(path()), original + "other=1\r\n");
}

TEST_F(IniFileTest, ValueForms)
{
    writeAll(path(), "[V]\nhex=0x1F\nHEX=0XfF\nshort=0x\nneg=-12\nbad=12a\nbig=99999999999\nflag=7\n"
                     "text=  padded  \ntime=7:05:09\ntime2=23:59\nbadtime=25:00:00\n"
                     "dt=2026-12-06 7:05:09\nday=2026-12-06\nbaddt=2026-13-01\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger(u"V"_s, u"hex"_s, 0), 31);
    EXPECT_EQ(ini.readInteger(u"V"_s, u"short"_s, 5), 5) << "\"0x\" alone is not a number";
    EXPECT_EQ(ini.readInteger(u"V"_s, u"neg"_s, 0), -12);
    EXPECT_EQ(ini.readInteger(u"V"_s, u"bad"_s, 3), 3);
    EXPECT_EQ(ini.readInteger(u"V"_s, u"big"_s, 3), 3);
    EXPECT_TRUE(ini.readBool(u"V"_s, u"flag"_s, false));
    EXPECT_TRUE(ini.readBool(u"V"_s, u"bad"_s, true));
    EXPECT_FALSE(ini.readBool(u"V"_s, u"bad"_s, false));
    EXPECT_EQ(ini.readString(u"V"_s, u"text"_s), u"padded"_s);
    EXPECT_EQ(ini.readTime(u"V"_s, u"time"_s, -1), (7 * 3600 + 5 * 60 + 9) * 1000);
    EXPECT_EQ(ini.readTime(u"V"_s, u"time2"_s, -1), (23 * 3600 + 59 * 60) * 1000);
    EXPECT_EQ(ini.readTime(u"V"_s, u"badtime"_s, -1), -1);
    EXPECT_EQ(ini.readDateTime(u"V"_s, u"dt"_s, {}), QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9)));
    EXPECT_EQ(ini.readDateTime(u"V"_s, u"day"_s, {}), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    const QDateTime def(QDate(2000, 1, 1), QTime(1, 2, 3));
    EXPECT_EQ(ini.readDateTime(u"V"_s, u"baddt"_s, def), def);

    ini.writeBool(u"W"_s, u"t"_s, true);
    ini.writeBool(u"W"_s, u"f"_s, false);
    ini.writeInteger(u"W"_s, u"n"_s, -7);
    ini.writeTime(u"W"_s, u"zero"_s, 0);
    ini.writeTime(u"W"_s, u"wrap"_s, (25 * 3600 + 1) * 1000LL);
    ini.writeDateTime(u"W"_s, u"midnight"_s, QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
    ini.writeDateTime(u"W"_s, u"dt"_s, QDateTime(QDate(2026, 1, 2), QTime(9, 8, 7)));
    EXPECT_TRUE(readAll(path()).endsWith("[W]\r\nt=1\r\nf=0\r\nn=-7\r\nzero=0:00:00\r\nwrap=1:00:01\r\n"
                                         "midnight=2026-01-02\r\ndt=2026-01-02 9:08:07\r\n"));
}

TEST_F(IniFileTest, LongValuesAreCutWhenRead)
{
    const QByteArray longValue(5000, 'x');
    writeAll(path(), "[ConfigData]\r\nDefaultPath=" + longValue + "\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(u"ConfigData"_s, u"DefaultPath"_s).size(), IniFile::kMaxValueLength);
    // A value written back is written whole; only reading cuts.
    ini.writeString(u"ConfigData"_s, u"DefaultPath"_s, QString(3000, u'y'));
    EXPECT_EQ(readAll(path()).size(), QByteArray("[ConfigData]\r\nDefaultPath=\r\n").size() + 3000);
}

TEST_F(IniFileTest, HugeLineLoadsInBoundedTime)
{
    QByteArray big = "[S]\r\nk=";
    big.append(QByteArray(50 * 1024 * 1024, 'a'));
    big.append("\r\nafter=1\r\n");
    writeAll(path(), big);
    IniFile ini(path());
    EXPECT_EQ(ini.readString(u"S"_s, u"k"_s).size(), IniFile::kMaxValueLength);
    EXPECT_EQ(ini.readInteger(u"S"_s, u"after"_s, 0), 1);
}

TEST_F(IniFileTest, LineBreaksInValuesDoNotSplitTheEntry)
{
    IniFile ini(path());
    ini.writeString(u"S"_s, u"k"_s, u"one\r\ntwo"_s);
    ini.writeString(u"S"_s, u"after"_s, u"x"_s);
    IniFile again(path());
    EXPECT_EQ(again.readString(u"S"_s, u"after"_s), u"x"_s);
    EXPECT_EQ(again.keyNames(u"S"_s), (QStringList{u"k"_s, u"after"_s}));
}

TEST_F(IniFileTest, RefusedWritesNameTheFileAndKeepTheOldContent)
{
    writeAll(path(), "[S]\r\nk=old\r\n");
    test::makeReadOnly(path());
    IniFile ini(path());
    try {
        ini.writeString(u"S"_s, u"k"_s, u"new"_s);
        FAIL() << "a read-only file was written";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.message(), u"Unable to write to "_s + path());
    }
    EXPECT_EQ(readAll(path()), QByteArray("[S]\r\nk=old\r\n"));

    IniFile missingDir(dir.filePath(u"no/such/dir/x.ini"_s));
    EXPECT_THROW(missingDir.writeString(u"S"_s, u"k"_s, u"v"_s), FileWriteError);

    // A full disk in the middle of a batch: nothing of the batch reaches the file.
    const QString other = path(u"b.ini"_s);
    writeAll(other, "[S]\r\nk=old\r\n");
    IniFile batch(other);
    batch.beginBatch();
    batch.writeString(u"S"_s, u"k"_s, u"new"_s);
    setWriteFaultHook([](const QString&) { return true; });
    EXPECT_THROW(batch.commit(), FileWriteError);
    setWriteFaultHook({});
    EXPECT_EQ(readAll(other), QByteArray("[S]\r\nk=old\r\n"));
}

TEST_F(IniFileTest, AFileThatCouldNotBeReadIsNeverReplaced)
{
    // A directory stands in for an unreadable file (as root every file is readable).
    QDir(dir.path()).mkdir(u"taken.ini"_s);
    IniFile ini(path(u"taken.ini"_s));
    EXPECT_EQ(ini.readString(u"S"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
    try {
        ini.writeString(u"S"_s, u"k"_s, u"v"_s);
        FAIL() << "wrote over a file it never read";
    } catch (const OperationError& e) {
        EXPECT_EQ(e.message(), u"Unable to read "_s + path(u"taken.ini"_s) + u"; it was not changed"_s);
    }
    EXPECT_TRUE(QFileInfo(path(u"taken.ini"_s)).isDir());
}

TEST_F(IniFileTest, BatchWritesOnceAtCommit)
{
    IniFile ini(path());
    ini.beginBatch();
    ini.writeString(u"S"_s, u"a"_s, u"1"_s);
    ini.writeString(u"S"_s, u"b"_s, u"2"_s);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(ini.readString(u"S"_s, u"a"_s), u"1"_s) << "reads inside a batch see the writes";
    ini.commit();
    EXPECT_EQ(readAll(path()), QByteArray("[S]\r\na=1\r\nb=2\r\n"));
}

} // namespace
