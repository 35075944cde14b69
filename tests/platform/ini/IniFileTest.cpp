#include "platform/ini/IniFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"

#include <QStringEncoder>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::errorOf;
using vx::test::readAll;
using vx::test::writeAll;

namespace {

class IniFileTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QString path(const QString& name = u"a.ini"_s) const { return dir.filePath(name); }
    // The file `name`, holding `bytes`, opened.
    IniFile opened(const QByteArray& bytes, const QString& name = u"a.ini"_s) const
    {
        writeAll(path(name), bytes);
        return IniFile(path(name));
    }
    void TearDown() override { setAnsiCodePage(1252); }
};

QByteArray utf16Bytes(const QString& text, bool little)
{
    QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(text));
}

TEST_F(IniFileTest, NamesMatchIgnoringAsciiCaseOnly)
{
    const IniFile ini = opened("[DelphiCompGroups]\r\nGroup1=Standard\r\n[\xc3\x84rger]\r\nk=v\r\n");
    EXPECT_EQ(ini.readString(u"delphicompgroups"_s, u"group1"_s), u"Standard"_s);
    EXPECT_EQ(ini.readString(u"\u00c4rger"_s, u"K"_s), u"v"_s);
    // Non-ASCII letters are not folded.
    EXPECT_FALSE(ini.hasSection(u"\u00e4rger"_s));
}

TEST_F(IniFileTest, WritesKeepPlacesAndAppendAtTheEnd)
{
    IniFile ini = opened(";Delphi7 Vorlix File\n[A]\nx=1\n; a comment\nweird line\ny=2\n[B]\nz=3");
    ini.writeString(u"a"_s, u"X"_s, u"10"_s);  // replaces in place, keeps the key's spelling
    ini.writeString(u"A"_s, u"new"_s, u"n"_s); // end of its section, after the kept lines
    ini.writeString(u"C"_s, u"c"_s, u"c"_s);   // new section at the end of the file
    EXPECT_EQ(readAll(path()),
              QByteArray(";Delphi7 Vorlix File\r\n[A]\r\nx=10\r\n; a comment\r\nweird line\r\ny=2\r\n"
                         "new=n\r\n[B]\r\nz=3\r\n[C]\r\nc=c\r\n"));

    ini.eraseSection(u"b"_s);
    ini.deleteKey(u"A"_s, u"y"_s);
    EXPECT_EQ(readAll(path()),
              QByteArray(";Delphi7 Vorlix File\r\n[A]\r\nx=10\r\n; a comment\r\nweird line\r\n"
                         "new=n\r\n[C]\r\nc=c\r\n"));
    // An erased section comes back at the end of the file.
    ini.writeString(u"B"_s, u"z"_s, u"4"_s);
    EXPECT_TRUE(readAll(path()).endsWith("[C]\r\nc=c\r\n[B]\r\nz=4\r\n"));

    // A long value is written whole; line breaks in a value do not split the entry.
    ini.writeString(u"C"_s, u"c"_s, QString(3000, u'y'));
    EXPECT_TRUE(
        readAll(path()).endsWith(QByteArray("[C]\r\nc=" + QByteArray(3000, 'y') + "\r\n[B]\r\nz=4\r\n")));
    ini.writeString(u"B"_s, u"z"_s, u"one\r\ntwo"_s);
    ini.writeString(u"B"_s, u"after"_s, u"x"_s);
    EXPECT_EQ(IniFile(path()).keyNames(u"B"_s), (QStringList{u"z"_s, u"after"_s}));
}

TEST_F(IniFileTest, ValueForms)
{
    IniFile ini = opened("[V]\nhex=0x1F\nshort=0x\nbad=12a\nbig=99999999999\nflag=7\n"
                         "time=7:05:09\n"
                         "dt=2026-12-06 7:05:09\nbaddt=2026-13-01\nquotedNumber=\"42\"\n");
    EXPECT_EQ(ini.readInteger(u"V"_s, u"hex"_s, 0), 31);
    EXPECT_EQ(ini.readInteger(u"V"_s, u"short"_s, 5), 5) << "\"0x\" alone is not a number";
    EXPECT_EQ(ini.readInteger(u"V"_s, u"bad"_s, 3), 3);
    EXPECT_EQ(ini.readInteger(u"V"_s, u"big"_s, 3), 3);
    EXPECT_TRUE(ini.readBool(u"V"_s, u"flag"_s, false));
    EXPECT_FALSE(ini.readBool(u"V"_s, u"bad"_s, false));
    EXPECT_EQ(ini.readInteger(u"V"_s, u"quotedNumber"_s, 0), 42);
    EXPECT_EQ(ini.readTime(u"V"_s, u"time"_s, -1), (7 * 3600 + 5 * 60 + 9) * 1000);
    EXPECT_EQ(ini.readDateTime(u"V"_s, u"dt"_s, {}), QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9)));
    const QDateTime def(QDate(2000, 1, 1), QTime(1, 2, 3));
    EXPECT_EQ(ini.readDateTime(u"V"_s, u"baddt"_s, def), def);

    ini.writeBool(u"W"_s, u"t"_s, true);
    ini.writeInteger(u"W"_s, u"n"_s, -7);
    ini.writeTime(u"W"_s, u"wrap"_s, (25 * 3600 + 1) * 1000LL);
    ini.writeDateTime(u"W"_s, u"dt"_s, QDateTime(QDate(2026, 1, 2), QTime(9, 8, 7)));
    // The texts of times and dates themselves are TimeTextTest's.
    EXPECT_TRUE(readAll(path()).endsWith("[W]\r\nt=1\r\nn=-7\r\nwrap=1:00:01\r\ndt=2026-01-02 9:08:07\r\n"));
}

TEST_F(IniFileTest, RefusedOrUnreadFilesAreNeverOverwritten)
{
    IniFile ini = opened("[S]\r\nk=old\r\n");
    test::makeReadOnly(path());
    EXPECT_EQ(errorOf<FileWriteError>([&] { ini.writeString(u"S"_s, u"k"_s, u"new"_s); }),
              u"Unable to write to "_s + path());
    EXPECT_EQ(readAll(path()), QByteArray("[S]\r\nk=old\r\n"));

    // A full disk in the middle of a batch: nothing of the batch reaches the file.
    IniFile batch = opened("[S]\r\nk=old\r\n", u"b.ini"_s);
    batch.beginBatch();
    batch.writeString(u"S"_s, u"k"_s, u"new"_s);
    setWriteFaultHook([](const QString&) { return true; });
    EXPECT_THROW(batch.commit(), FileWriteError);
    setWriteFaultHook({});
    EXPECT_EQ(readAll(path(u"b.ini"_s)), QByteArray("[S]\r\nk=old\r\n"));

    // A directory stands in for an unreadable file (as root every file is readable).
    QDir(dir.path()).mkdir(u"taken.ini"_s);
    IniFile taken(path(u"taken.ini"_s));
    EXPECT_EQ(taken.readString(u"S"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(errorOf<OperationError>([&] { taken.writeString(u"S"_s, u"k"_s, u"v"_s); }),
              u"Unable to read "_s + path(u"taken.ini"_s) + u"; it was not changed"_s);
    EXPECT_TRUE(QFileInfo(path(u"taken.ini"_s)).isDir());
}

// How section names read is checked against Windows in IniWineTest. A "[" without a closing
// bracket starts no section; a write finds a bracketed section where it stands, and a new name with
// a bracket reads back.
TEST_F(IniFileTest, BracketedSectionNamesAreWrittenWhereTheyStand)
{
    IniFile ini = opened("[Tools [old]]\r\nk=1\r\n[a]b]\r\nk=2\r\n[open\r\nk=4\r\n");
    EXPECT_FALSE(ini.hasSection(u"open"_s));
    EXPECT_EQ(ini.readInteger(u"a]b"_s, u"k"_s, 0), 2) << "the first k of the section counts";
    ini.writeString(u"Tools [old]"_s, u"k2"_s, u"x"_s);
    ini.writeString(u"New]One"_s, u"k"_s, u"y"_s);
    EXPECT_TRUE(readAll(path()).startsWith("[Tools [old]]\r\nk=1\r\nk2=x\r\n[a]b]"));
    EXPECT_EQ(IniFile(path()).readString(u"New]One"_s, u"k"_s), u"y"_s);
}

// How values read, and that what we write reads back, is checked against Windows in IniWineTest;
// here the bytes: quotes only where a reader would change the value.
TEST_F(IniFileTest, ValuesAreQuotedOnlyWhereAReaderWouldChangeThem)
{
    IniFile out(path());
    const QStringList values{u"\"mixed'"_s, u"  padded "_s,           u"\"\""_s, u"\"inner\""_s, u"'"_s,
                             u"\tx"_s,      u"C:\\x.exe -a \"b c\""_s};
    for (qsizetype i = 0; i < values.size(); ++i)
        out.writeString(u"S"_s, u"v%1"_s.arg(i), values[i]);
    EXPECT_EQ(readAll(path()),
              QByteArray("[S]\r\nv0=\"mixed'\r\nv1=\"  padded \"\r\nv2=\"\"\"\"\r\nv3=\"\"inner\"\"\r\n"
                         "v4='\r\nv5=\"\tx\"\r\nv6=C:\\x.exe -a \"b c\"\r\n"));
}

// UTF-16 big-endian is read, and written back in the same form, untouched lines as they were. (A
// byte-order mark and UTF-16 LE, as Windows editors save them, are rows of the replacement table,
// and what Windows reads from them is IniWineTest's.)
TEST_F(IniFileTest, Utf16BigEndianIsReadAndKept)
{
    const QString text = u"; \u6ce8\u91ca\r\n[\u7ec4\u4ef6]\r\nCompName1=\u6807\u51c6 \U0001F600\r\n"_s;
    IniFile ini = opened(utf16Bytes(text, false));
    EXPECT_EQ(ini.readString(u"\u7ec4\u4ef6"_s, u"CompName1"_s), u"\u6807\u51c6 \U0001F600"_s);
    ini.writeString(u"\u7ec4\u4ef6"_s, u"CompNote1"_s, u"\u00e9"_s);
    EXPECT_EQ(readAll(path()), utf16Bytes(text + u"CompNote1=\u00e9\r\n"_s, false));
}

TEST_F(IniFileTest, LegacyFilesAreReadInTheAnsiCodePageAndKeptInItWhileTheTextFits)
{
    setAnsiCodePage(936);
    // GBK: "[\u7ec4\u4ef6]" (components), a value, and two lines whose bytes GBK does not define.
    const QByteArray gbk = ";Delphi7 Vorlix File\r\n[\xd7\xe9\xbc\xfe]\r\nCompName1=\xb1\xea\xd7\xbc\r\n"
                           "odd=\x81\x30\xff\r\nodd2=\xff\r\n";
    IniFile ini = opened(gbk, u"p.vx7"_s);
    std::vector<std::pair<QString, int>> fallbacks;
    ini.setEncodingFallbackHandler(
        [&](const QString& file, int codePage) { fallbacks.emplace_back(file, codePage); });
    EXPECT_EQ(encodingName(ini.encoding()), u"code page 936"_s);
    EXPECT_EQ(ini.readString(u"\u7ec4\u4ef6"_s, u"CompName1"_s), u"\u6807\u51c6"_s);

    // What fits the code page is written in it, also over such a line; the rest comes back as it was.
    ini.writeString(u"\u7ec4\u4ef6"_s, u"odd2"_s, u"\u8bf4\u660e"_s);
    EXPECT_EQ(readAll(path(u"p.vx7"_s)), gbk.chopped(8) + "odd2=\xcb\xb5\xc3\xf7\r\n");

    // A character outside it: the whole file becomes UTF-8, and the window is told.
    ini.writeString(u"\u7ec4\u4ef6"_s, u"CompNote2"_s, u"\U0001F600"_s);
    EXPECT_EQ(fallbacks, (std::vector<std::pair<QString, int>>{{path(u"p.vx7"_s), 936}}));
    const QByteArray utf8 = readAll(path(u"p.vx7"_s));
    EXPECT_TRUE(utf8.contains("[\xe7\xbb\x84\xe4\xbb\xb6]\r\nCompName1=\xe6\xa0\x87\xe5\x87\x86\r\n"));
    setAnsiCodePage(1252); // a UTF-8 file no longer depends on it
    EXPECT_EQ(IniFile(path(u"p.vx7"_s)).readString(u"\u7ec4\u4ef6"_s, u"CompNote2"_s), u"\U0001F600"_s);
}

// A change another program makes between two of our writes is kept (IniWineTest has Windows make
// one), even a rewrite of the same size that kept the modification time: it is told by its content.
TEST_F(IniFileTest, WritesGoToWhatTheFileHoldsNow)
{
    IniFile ini = opened("[Stats]\r\nRun=2\r\nOther=7\r\n[Font]\r\nName=Tahoma\r\n");
    ini.writeInteger(u"Stats"_s, u"Day"_s, 5);
    struct stat before = {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &before), 0);
    writeAll(path(), "[Stats]\r\nRun=2\r\nOther=8\r\nDay=5\r\n[Font]\r\nName=Tahoma\r\n");
    const struct timespec times[2] = {before.st_atim, before.st_mtim}; // as a coarse file system does
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path()).constData(), times, 0), 0);
    ini.eraseSection(u"Font"_s);
    EXPECT_EQ(readAll(path()), QByteArray("[Stats]\r\nRun=2\r\nOther=8\r\nDay=5\r\n"));
    EXPECT_EQ(ini.readString(u"Stats"_s, u"Other"_s), u"8"_s) << "the store reads what it wrote onto";

    // A file deleted meanwhile is started anew, as Windows does.
    QFile::remove(path());
    ini.writeInteger(u"Stats"_s, u"Run"_s, 3);
    EXPECT_EQ(readAll(path()), QByteArray("[Stats]\r\nRun=3\r\n"));
}

TEST_F(IniFileTest, ABatchIsReplayedOnWhatTheFileHoldsAtCommit)
{
    IniFile ini = opened("[Config]\r\nRun=4\r\nDay=2\r\n[Stats]\r\nTimeSum=1:00:00\r\n");
    ini.beginBatch();
    ini.writeInteger(u"Config"_s, u"Run"_s, 5);
    ini.eraseSection(u"Stats"_s);
    ini.deleteKey(u"Config"_s, u"Note"_s); // missing here; the other writer adds it
    ini.writeString(u"Config"_s, u"Last"_s, u" padded "_s);

    // Meanwhile a second instance stores its font and a note, and extends the statistics.
    writeAll(path(),
             "[Config]\r\nRun=4\r\nDay=3\r\nNote=n\r\n[Stats]\r\nTimeSum=2:00:00\r\nLastRun=0:01:00\r\n"
             "[Font]\r\nName=Tahoma\r\nSize=8\r\n");
    ini.commit();
    EXPECT_EQ(readAll(path()), QByteArray("[Config]\r\nRun=5\r\nDay=3\r\nLast=\" padded \"\r\n"
                                          "[Font]\r\nName=Tahoma\r\nSize=8\r\n"));
    EXPECT_EQ(ini.readInteger(u"Font"_s, u"Size"_s, 0), 8);

    // Unchanged on disk: the batch's content is written as it stands, and only at the commit.
    const QByteArray committed = readAll(path());
    ini.beginBatch();
    ini.writeInteger(u"Config"_s, u"Day"_s, 4);
    EXPECT_EQ(ini.readInteger(u"Config"_s, u"Day"_s, 0), 4) << "reads inside a batch see the writes";
    EXPECT_EQ(readAll(path()), committed);
    ini.commit();
    EXPECT_TRUE(readAll(path()).startsWith("[Config]\r\nRun=5\r\nDay=4\r\n"));
}

struct Entry
{
    QString section, key, value;
};

TEST_F(IniFileTest, AReplacementWrittenLineByLineEqualsTheBatchInEveryForm)
{
    // Values that need quotes, carry line breaks or a leading U+FEFF, non-ASCII text.
    const std::vector<Entry> rich = {
        {u"\u7ec4 [old]"_s, u"Name"_s, u" padded "_s},
        {u"\u7ec4 [old]"_s, u"Lines"_s, u"a\r\nb\nc"_s},
        {u"Other"_s, u"Bom"_s, u"\ufeffx"_s},
        {u"Other"_s, u"\u00e9"_s, u"\U0001F600 \u4e2d"_s},
    };
    const QByteArray gbk = "[\xd7\xe9]\r\nName=\xd6\xd0\xce\xc4\r\n";
    const struct
    {
        const char* name;
        int codePage;
        QByteArray before;
        std::vector<Entry> entries;
        IniEncoding form;
        bool fallsBack;
    } cases[] = {
        {"bom", 1252, "\xEF\xBB\xBF[A]\r\nOld=1\r\n", rich, IniEncoding::Utf8Bom, false},
        {"utf16le", 1252, utf16Bytes(u"[A]\r\nOld=1\r\n"_s, true), rich, IniEncoding::Utf16LE, false},
        {"gbk fits",
         936,
         gbk,
         {{u"\u7ec4"_s, u"Name"_s, u"\u4e2d\u6587 x"_s}, {u"B"_s, u"K"_s, u"\"v\""_s}},
         IniEncoding::CodePage,
         false},
        {"gbk does not fit", 936, gbk, rich, IniEncoding::Utf8, true},
        // 1252 bytes C3 A9 are valid UTF-8.
        {"1252 would read as UTF-8",
         1252,
         "[A]\r\nName=caf\xe9\r\n",
         {{u"A"_s, u"K"_s, u"\u00c3\u00a9"_s}},
         IniEncoding::Utf8,
         true},
    };
    // Each case is written both through a replacement batch and line by line, onto files that
    // start as `before`: the bytes, the form and the fallbacks the handler is told about agree.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setAnsiCodePage(c.codePage);
        const QString batchFile = path(QString::fromLatin1(c.name)), streamFile = batchFile + u".stream"_s;
        writeAll(batchFile, c.before);
        writeAll(streamFile, c.before);
        std::vector<int> batchFallbacks, streamedFallbacks;
        IniFile a;
        a.setEncodingFallbackHandler([&](const QString&, int cp) { batchFallbacks.push_back(cp); });
        a.openForReplacement(batchFile);
        EXPECT_FALSE(a.hasSection(u"A"_s)) << "the old lines are not read";
        a.beginReplacement(batchFile + u".bak"_s);
        for (const Entry& e : c.entries)
            a.writeString(e.section, e.key, e.value);
        a.commit();

        IniFile b;
        b.setEncodingFallbackHandler([&](const QString&, int cp) { streamedFallbacks.push_back(cp); });
        b.openForReplacement(streamFile);
        b.writeReplacement(streamFile + u".bak"_s, [&](IniWriter& w) {
            for (size_t i = 0; i < c.entries.size(); ++i) {
                const Entry& e = c.entries[i];
                if (i == 0 || e.section != c.entries[i - 1].section)
                    w.section(e.section);
                w.entry(e.key, e.value);
            }
        });
        EXPECT_EQ(readAll(streamFile), readAll(batchFile));
        EXPECT_EQ(b.encoding().kind, c.form);
        EXPECT_EQ(b.encoding(), a.encoding());
        EXPECT_EQ(streamedFallbacks, batchFallbacks);
        EXPECT_EQ(streamedFallbacks.size(), c.fallsBack ? 1u : 0u);
        EXPECT_EQ(readAll(streamFile + u".bak"_s), c.before);
    }
}

// A file opened for replacement whose replacement never began: a plain write goes onto the whole
// file, not onto the empty store. After a line-by-line replacement writes go onto the new file.
TEST_F(IniFileTest, WritesAfterOpeningForReplacementGoOntoTheFileAsItIs)
{
    writeAll(path(), "[A]\r\nOld=1\r\n");
    IniFile plain;
    plain.openForReplacement(path());
    plain.writeString(u"A"_s, u"New"_s, u"2"_s);
    IniFile batch;
    batch.openForReplacement(path());
    batch.beginBatch();
    batch.writeString(u"B"_s, u"K"_s, u"3"_s);
    batch.commit();
    EXPECT_EQ(readAll(path()), "[A]\r\nOld=1\r\nNew=2\r\n[B]\r\nK=3\r\n");

    IniFile ini(path());
    ini.writeReplacement(path(u"a.bak"_s), [](IniWriter& w) {
        w.section(u"New");
        w.integerEntry(u"N", -12);
        w.boolEntry(u"B", true);
    });
    EXPECT_EQ(readAll(path()), QByteArray("[New]\r\nN=-12\r\nB=1\r\n"));
    ini.writeString(u"New"_s, u"Later"_s, u"x"_s);
    EXPECT_EQ(readAll(path()), QByteArray("[New]\r\nN=-12\r\nB=1\r\nLater=x\r\n"));
    EXPECT_EQ(ini.readInteger(u"New"_s, u"N"_s, 0), -12);

    // A refused write leaves the file, and the store reads it again.
    setWriteFaultHook([&](const QString& target) { return target == path(); });
    EXPECT_THROW(ini.writeReplacement({}, [](IniWriter& w) { w.section(u"Lost"); }), FileWriteError);
    setWriteFaultHook({});
    EXPECT_EQ(readAll(path()), QByteArray("[New]\r\nN=-12\r\nB=1\r\nLater=x\r\n"));
    EXPECT_EQ(ini.readString(u"New"_s, u"Later"_s), u"x"_s);
}

TEST_F(IniFileTest, TheFormOfAFileToReplaceIsFoundAcrossItsWholeLength)
{
    // Three-byte characters fill more than a few of the pieces the form is read in, so some of
    // them stand across the end of a piece.
    QByteArray big;
    while (big.size() < 300 * 1024)
        big += "K=\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\xad\r\n";
    QByteArray damaged = big;
    damaged[200 * 1024 + 1] = '\xff';
    const QByteArray endsInCharacter = big.left(big.size() - 2);
    struct Case
    {
        const char* name;
        QByteArray bytes;
        IniEncoding form;
    };
    const Case cases[] = {
        {"invalid late", damaged, IniEncoding::CodePage},
        {"character at the very end", endsInCharacter, IniEncoding::Utf8},
        {"cut character at the end", big.left(big.size() - 3), IniEncoding::CodePage},
        {"only a UTF-16 mark", "\xFF\xFE", IniEncoding::Utf16LE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(path(), c.bytes);
        IniFile ini;
        ini.openForReplacement(path());
        EXPECT_EQ(ini.encoding().kind, c.form);
        EXPECT_EQ(IniFile(path()).encoding().kind, c.form) << "as a full read finds it";
    }
}

TEST_F(IniFileTest, ManyWritesAndAlternatingLargeSectionsReadCorrectly)
{
    // Two large sections, each with a repeated key (the first one counts), read in turns.
    QByteArray text;
    for (const char* name : {"A", "B"}) {
        text += QByteArray("[") + name + "]\r\n";
        for (int i = 0; i < 200; ++i)
            text += "k" + QByteArray::number(i) + "=" + name + QByteArray::number(i) + "\r\n";
        text += "k7=second\r\n";
    }
    IniFile ini = opened(text);
    EXPECT_EQ(ini.readString(u"b"_s, u"k7"_s), u"B7"_s);
    EXPECT_EQ(ini.readString(u"a"_s, u"k7"_s), u"A7"_s);

    // Many writes in a batch, most of them of new keys, leave much more written text than the file
    // holds and make the section's table grow again and again; the store keeps answering from what
    // it wrote, and later writes go on from there.
    ini.beginBatch();
    for (int i = 0; i < 3000; ++i)
        ini.writeString(u"A"_s, u"k"_s + QString::number(i % 1000), QString(200, u'v') + QString::number(i));
    ini.commit();
    ini.writeString(u"B"_s, u"k7"_s, u"last"_s);
    IniFile again(path());
    for (IniFile* store : {&ini, &again}) {
        EXPECT_EQ(store->readString(u"A"_s, u"k999"_s), QString(200, u'v') + u"2999"_s);
        EXPECT_EQ(store->keyNames(u"A"_s).size(), 1000);
        EXPECT_EQ(store->readString(u"B"_s, u"k7"_s), u"last"_s);
        EXPECT_EQ(store->keyNames(u"B"_s).size(), 200);
    }
}

} // namespace
