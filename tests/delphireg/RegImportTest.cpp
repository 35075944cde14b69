// Registry files: what regedit's forms read as, what is refused (changing nothing), the text
// encodings, hostile input, and the encoding our own backups are written in.

#include "delphireg/RegImport.h"
#include "delphireg/RegExport.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"
#include "support/Thrown.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
const QString kDelphi = u"Software\\Borland\\Delphi\\7.0"_s;

QByteArray reg(const QByteArray& body)
{
    return "REGEDIT4\r\n\r\n" + body;
}

QString textOf(const RegistryStore& store, const QString& path, const QString& name)
{
    const auto v = store.value(HKCU, path, name);
    EXPECT_TRUE(v && v->type == REG_SZ) << name.toStdString();
    return v ? v->text() : QString();
}

QByteArray hives(const MemoryRegistryStore& store)
{
    return store.hiveBytes(HiveBackedStore::HiveFile::User) +
           store.hiveBytes(HiveBackedStore::HiveFile::Machine);
}

// A store with a little of everything, so that an import that must not change it would show.
void fill(MemoryRegistryStore& store)
{
    store.createKey(HKCU, kDelphi + u"\\Library"_s);
    store.setValue(HKCU, kDelphi, RegValue::string(u"RootDir"_s, u"C:\\D7\\"_s));
    store.setValue(HKCU, kDelphi, RegValue::string(u"Quote"_s, u"say \"hi\" \\\\srv\\"_s));
    store.setValue(HKCU, kDelphi, RegValue::string(QString(), u"default"_s));
    store.setValue(HKCU, kDelphi, RegValue::dword(u"Minus"_s, 0xFFFFFFFFu));
    store.setValue(HKCU, kDelphi, RegValue{u"Bin"_s, REG_BINARY, QByteArray("\x0a\xff", 2)});
    store.setValue(HKCU, kDelphi + u"\\Library"_s, RegValue::string(u"Search Path"_s, u"$(DELPHI)\\Lib"_s));
    store.createKey(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s);
    store.setValue(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s,
                   RegValue::string(u"RootDir"_s, u"C:\\D7"_s));
}

TEST(RegImport, ReadsEveryRegeditFormAndDeletion)
{
    MemoryRegistryStore store;
    const QByteArray file = "; a comment before the header\n"
                            "REGEDIT4\r\n"
                            "# another comment\n"
                            "\n"
                            "  [hkey_current_user\\Software\\\\Test\\]  ; trailing comment\n"
                            "@ = \"def\"\n"
                            "\"Esc\"=\"a\\\\b\\\"c\\nd\\re\"\n"
                            "  \"Small\"  =  dword:1 ; one\n"
                            "\"Max\"=DWORD:FFFFFFFF\n"
                            "\"Bin\"=hex:01,02,\\\n"
                            "    0a,FF,\\\n"
                            "; a comment inside the continuation\n"
                            "\n"
                            "  3\n"
                            "\"Exp\"=hex(2):25,00,41,00,00,00\n"
                            "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
                            "\"None\"=hex(0):\n"
                            "\"Spaced\"=hex: 01 , 02 ,\n"
                            "\"na\\\"me\"=\"\"\n"
                            "Windows Registry Editor Version 5.00\n"
                            "[HKLM\\Software\\T]\n"
                            "[HKEY_Classes_Root\\.dpr]\n"
                            "@=\"DelphiProject\"\n"
                            // Wine's user below HKEY_USERS is the current user; names at their limits;
                            // the last line has no line break.
                            "[HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\X]\n\"a\"=\"1\"\n[HKCU\\" +
                            QByteArray(255, 'k') + "]\n\"" + QByteArray(16383, 'v') + "\"=\"2\"";
    importRegFile(file, store, u"forms.reg"_s);
    const RegValue values[] = {
        RegValue::string(QString(), u"def"_s),
        RegValue::string(u"Esc"_s, u"a\\b\"c\nd\re"_s),
        RegValue::dword(u"Small"_s, 1),
        RegValue::dword(u"Max"_s, 0xFFFFFFFFu),
        {u"Bin"_s, REG_BINARY, QByteArray("\x01\x02\x0a\xff\x03", 5)},
        RegValue::string(u"Exp"_s, u"%A"_s, REG_EXPAND_SZ),
        {u"Q"_s, REG_QWORD, QByteArray("\1\0\0\0\0\0\0\0", 8)},
        {u"None"_s, REG_NONE, QByteArray()},
        {u"Spaced"_s, REG_BINARY, QByteArray("\x01\x02")},
        {u"na\"me"_s, REG_SZ, QByteArray(2, '\0')}, // an empty text keeps its NUL
    };
    for (const RegValue& v : values)
        EXPECT_EQ(store.value(HKCU, u"Software\\Test"_s, v.name), v) << v.name.toStdString();
    EXPECT_TRUE(store.keyExists(RegRoot::LocalMachine, u"Software\\T"_s));
    EXPECT_EQ(store.value(RegRoot::ClassesRoot, u".dpr"_s, {}), RegValue::string({}, u"DelphiProject"_s));
    EXPECT_EQ(textOf(store, u"Software\\X"_s, u"a"_s), u"1"_s);
    EXPECT_EQ(textOf(store, QString(255, u'k'), QString(16383, u'v')), u"2"_s);

    // Deletions of trees and values, of missing ones as well.
    fill(store);
    const QByteArray deletions = reg("[-HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Library]\n"
                                     "[-HKEY_CURRENT_USER\\Software\\Nowhere]\n"
                                     "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\n"
                                     "\"RootDir\"=-\n@=-\n\"Missing\"=-\n"
                                     "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\n"
                                     "\"Fresh\"=\"1\"\n");
    const RegImportSummary summary = importRegFile(deletions, store, u"del.reg"_s);
    EXPECT_EQ(summary.deletions, 6);
    EXPECT_EQ(summary.keys, 2);
    EXPECT_EQ(summary.values, 1);
    EXPECT_FALSE(store.keyExists(HKCU, kDelphi + u"\\Library"_s));
    EXPECT_EQ(store.valueNames(HKCU, kDelphi), (QStringList{u"Bin"_s, u"Minus"_s, u"Quote"_s}));
    // Deleted, then created anew: only what the file wrote after the deletion.
    EXPECT_EQ(store.valueNames(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s),
              QStringList{u"Fresh"_s});
}

TEST(RegImport, MalformedLineNamesItsLineAndChangesNothing)
{
    const QByteArray ok =
        reg("[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\n\"New\"=\"x\"\n"); // the bad line is 5
    const struct
    {
        QByteArray file;
        int line;
        const char* what;
    } cases[] = {
        {"REGEDIT\n[HKCU\\A]\n", 1, "first line"},
        {"", 1, "empty"},
        {reg("\"a\"=\"b\"\n"), 3, "before any key"},
        {reg("[-HKCU\\A]\n\"a\"=\"b\"\n"), 4, "after a key deletion"},
        {ok + "\"a\n", 5, "value name has no closing quote"},
        {ok + "\"a\"=\"b\"c\n", 5, "after the closing quote"},
        {ok + "\"a\"=\"C:\\Temp\"\n", 5, "unknown escape"},
        {ok + "\"a\" \"b\"\n", 5, "expected \"=\""},
        {ok + "\"a\"=\n", 5, "no data"},
        {ok + "\"a\"=str(2):\"x\"\n", 5, "unrecognised value data"},
        {ok + "\"a\"=dword:123456789\n", 5, "out of range"},
        {ok + "\"a\"=dword:\n", 5, "no hex digits"},
        {ok + "\"a\"=dword:12x4\n", 5, "bad dword"},
        {ok + "\"a\"=hex:123\n", 5, "two hex digits"},
        {ok + "\"a\"=hex:01 02\n", 5, "commas"},
        {ok + "\"a\"=hex(zz):01\n", 5, "hex(N)"},
        {ok + "\"a\"=hex:01,\\ x\n", 5, "continuation"},
        {ok + "\"a\"=hex:01,\\\n  02,\\\n  zz\n", 7, "bad hex"},
        {ok + "\"a\"=hex:01,\\\n; nothing follows\n", 5, "past the end"},
        {ok + "[HKEY_NOWHERE\\A]\n", 5, "unknown root key \"HKEY_NOWHERE\""},
        {ok + "[HKCU\\A\n", 5, "closing \"]\""},
        {ok + "[HKCU\\A] x\n", 5, "after the key name"},
        {ok + "[-HKEY_CURRENT_USER]\n", 5, "root key cannot be deleted"},
        // Roots the prefix's hive files do not hold are refused while parsing, before anything changes.
        {ok + "[HKEY_USERS\\.Default\\Software\\X]\n", 5,
         "\"HKEY_USERS\\.Default\\Software\\X\" cannot be written"},
        {ok + "[HKEY_CURRENT_USER\\" + QByteArray(256, 'k') + "]\n", 5, "longer than 255 characters"},
        {ok + "\"" + QByteArray(16384, 'v') + "\"=\"x\"\n", 5, "longer than 16383 characters"},
        {ok + "Key=Value\n", 5, "unrecognised line"},
        {ok + QByteArray("\"a\"=\"x\0y\"\n", 10), 5, "NUL"},
        {QByteArray("REGEDIT4\r\r\n[HKCU\\A]\r\"a\"=\"\r"), 4, "no closing quote"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.left(200).toStdString());
        MemoryRegistryStore store;
        fill(store);
        const QByteArray before = hives(store);
        const QString error =
            test::errorOf<OperationError>([&] { importRegFile(c.file, store, u"bad.reg"_s); });
        EXPECT_TRUE(error.startsWith(u"bad.reg, line %1: "_s.arg(c.line))) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1StringView(c.what))) << error.toStdString();
        EXPECT_EQ(hives(store), before);
    }
}

TEST(RegImport, DecodesUtf16Utf8AndWindows1252)
{
    const QString text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\u00e9]\r\n"
        "\"Name\"=\"\u4e2d\u6587 \U0001F600\"\r\n"_s;
    const QByteArray le = QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
    const QByteArray be = QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom)(text);
    for (const QByteArray& file : QByteArrayList{le, be, text.toUtf8(), "\xef\xbb\xbf" + text.toUtf8()}) {
        MemoryRegistryStore store;
        importRegFile(file, store, u"t.reg"_s);
        EXPECT_EQ(textOf(store, u"Software\\Caf\u00e9"_s, u"Name"_s), u"\u4e2d\u6587 \U0001F600"_s);
    }
    // Not valid UTF-8: the ANSI code page of a Western Windows.
    MemoryRegistryStore store;
    importRegFile(reg("[HKCU\\Caf\xe9]\n\"\x80\"=\"\x93q\x94 \xff\"\n"), store, u"a.reg"_s);
    EXPECT_EQ(textOf(store, u"Caf\u00e9"_s, u"\u20ac"_s), u"\u201cq\u201d \u00ff"_s);
    EXPECT_THROW(parseRegFile(le + "\n", u"odd.reg"_s), OperationError);
    // A terminating NUL some tools append is not a line of its own.
    EXPECT_EQ(parseRegFile(le + QByteArray(2, '\0'), u"nul.reg"_s).size(), 2u);
}

TEST(RegExport, BackupIsInTheAnsiCodePageWhenItFitsElseUnicodeAndReadsBack)
{
    const QString latin = u"Caf\u00e9"_s, chinese = u"\u4ee3\u7801"_s;
    const QByteArray unicode("\xff\xfeW\0i\0n\0d\0o\0w\0s\0 \0R\0", 20);
    const struct
    {
        int codePage;
        QString name;
        QByteArray start;
    } cases[] = {
        // Which form a Western code page takes is checked where Wine's regedit reads it.
        {936, latin + chinese, "REGEDIT4\r\n"},
        // Bytes D8 98 in 1252 would also read as UTF-8 (as another character).
        {1252, u"\u00d8\u02dc"_s, unicode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        const QStringList lines{u"REGEDIT4"_s, QString(), u"[HKEY_CURRENT_USER\\A]"_s,
                                u'"' + c.name + u"\"=\""_s + c.name + u'"'};
        const QByteArray bytes = regFileBytes(lines, c.codePage);
        EXPECT_TRUE(bytes.startsWith(c.start)) << bytes.left(24).toHex().constData();
        if (c.start.startsWith("REGEDIT4")) {
            EXPECT_EQ(bytes,
                      encodeInCodePage(QString(lines.join(u"\r\n"_s) + u"\r\n"_s), c.codePage).value());
        }
        // Read back with the same ANSI code page in effect.
        setAnsiCodePage(c.codePage);
        MemoryRegistryStore store;
        importRegFile(bytes, store, u"b.reg"_s);
        setAnsiCodePage(1252);
        EXPECT_EQ(textOf(store, u"A"_s, c.name), c.name);
    }
}

} // namespace
