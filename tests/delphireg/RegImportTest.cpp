#include "delphireg/RegExport.h"
#include "delphireg/RegImport.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QString kDelphi = u"Software\\Borland\\Delphi\\7.0"_s;

QByteArray reg(const char* body)
{
    return QByteArray("REGEDIT4\r\n\r\n") + body;
}

RegValue valueOf(const RegistryStore& store, RegRoot root, const QString& path, const QString& name)
{
    const auto v = store.value(root, path, name);
    EXPECT_TRUE(v.has_value()) << name.toStdString();
    return v.value_or(RegValue());
}

QString textOf(const RegistryStore& store, RegRoot root, const QString& path, const QString& name)
{
    const RegValue v = valueOf(store, root, path, name);
    EXPECT_EQ(v.type, REG_SZ) << name.toStdString();
    return v.text();
}

QByteArray snapshot(const MemoryRegistryStore& store)
{
    return store.hiveBytes(HiveBackedStore::HiveFile::User) + store.hiveBytes(HiveBackedStore::HiveFile::Machine);
}

// A store with a little of everything, so that an import that must not change it would show.
void fill(MemoryRegistryStore& store)
{
    store.createKey(RegRoot::CurrentUser, kDelphi + u"\\Library"_s);
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::string(u"RootDir"_s, u"C:\\D7\\"_s));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::string(u"Quote"_s, u"say \"hi\" \\\\srv\\"_s));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::string(QString(), u"default"_s));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::string(u"Empty"_s, QString()));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::dword(u"Seven"_s, 7));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::dword(u"Minus"_s, 0xFFFFFFFFu));
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue{u"Bin"_s, REG_BINARY, QByteArray("\x0a\xff", 2)});
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue{u"NoBytes"_s, REG_BINARY, QByteArray()});
    store.setValue(RegRoot::CurrentUser, kDelphi, RegValue::string(u"Expand"_s, u"%PATH%"_s, REG_EXPAND_SZ));
    store.setValue(RegRoot::CurrentUser, kDelphi + u"\\Library"_s,
                   RegValue::string(u"Search Path"_s, u"$(DELPHI)\\Lib;$(DELPHI)\\Bin"_s));
    store.createKey(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s);
    store.setValue(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s,
                   RegValue::string(u"RootDir"_s, u"C:\\Program Files\\Borland\\Delphi7"_s));
}

QStringList backupLines(const RegistryStore& store)
{
    QStringList lines{u"REGEDIT4"_s};
    exportTree(store, RegRoot::CurrentUser, kDelphi, lines);
    exportTree(store, RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s, lines);
    return lines;
}

} // namespace

// ---------------------------------------------------------------- our own backups

TEST(RegImport, BackupClearedThenImportedRestoresEveryValueAsText)
{
    MemoryRegistryStore store;
    fill(store);
    const QStringList before = backupLines(store);
    const QByteArray file = regFileBytes(before);

    store.deleteTree(RegRoot::CurrentUser, kDelphi);
    store.deleteTree(RegRoot::LocalMachine, u"SOFTWARE\\Borland"_s);
    const RegImportSummary summary = importRegFile(file, store, u"backup.reg"_s);

    EXPECT_EQ(summary.keys, 3);
    EXPECT_EQ(summary.values, 11);
    EXPECT_EQ(summary.deletions, 0);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"RootDir"_s), u"C:\\D7\\"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Quote"_s), u"say \"hi\" \\\\srv\\"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, QString()), u"default"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Empty"_s), QString());
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, kDelphi, u"Empty"_s).data, QByteArray(2, '\0'));
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Seven"_s), u"7"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Minus"_s), u"-1"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Bin"_s), u"0A FF "_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"NoBytes"_s), QString());
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi, u"Expand"_s), QString());
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, kDelphi + u"\\Library"_s, u"Search Path"_s),
              u"$(DELPHI)\\Lib;$(DELPHI)\\Bin"_s);
    EXPECT_EQ(textOf(store, RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s, u"RootDir"_s),
              u"C:\\Program Files\\Borland\\Delphi7"_s);
    // Everything is text now, so a second backup says exactly what the first said.
    EXPECT_EQ(backupLines(store), before);
}

// ---------------------------------------------------------------- what regedit reads

TEST(RegImport, ReadsEveryRegeditForm)
{
    MemoryRegistryStore store;
    const QByteArray file = "; exported by hand\r\n"
                            "\r\n"
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
                            "@=\"DelphiProject\"\n";
    const RegImportSummary summary = importRegFile(file, store, u"forms.reg"_s);
    EXPECT_EQ(summary.keys, 3);
    EXPECT_EQ(summary.values, 11);

    const QString key = u"Software\\Test"_s;
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, key, QString()), u"def"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, key, u"Esc"_s), u"a\\b\"c\nd\re"_s);
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Small"_s), RegValue::dword(u"Small"_s, 1));
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Max"_s), RegValue::dword(u"Max"_s, 0xFFFFFFFFu));
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Bin"_s),
              (RegValue{u"Bin"_s, REG_BINARY, QByteArray("\x01\x02\x0a\xff\x03", 5)}));
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Exp"_s), RegValue::string(u"Exp"_s, u"%A"_s, REG_EXPAND_SZ));
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Q"_s).type, REG_QWORD);
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"None"_s), (RegValue{u"None"_s, REG_NONE, QByteArray()}));
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, key, u"Spaced"_s).data, QByteArray("\x01\x02"));
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, key, u"na\"me"_s), QString());
    EXPECT_TRUE(store.keyExists(RegRoot::LocalMachine, u"Software\\T"_s));
    EXPECT_EQ(textOf(store, RegRoot::ClassesRoot, u".dpr"_s, QString()), u"DelphiProject"_s);
}

TEST(RegImport, OperationsComeInFileOrderWithTheirLines)
{
    const auto ops = parseRegFile(reg("[HKEY_CLASSES_ROOT\\.DEFAULT\\X]\r\n\"a\"=-\r\n[-HKLM\\Y\\Z]\r\n"), u"o.reg"_s);
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, RegOperation::Kind::CreateKey);
    EXPECT_EQ(ops[0].root, RegRoot::ClassesRoot);
    EXPECT_EQ(ops[0].path, u".DEFAULT\\X"_s);
    EXPECT_EQ(ops[0].line, 3);
    EXPECT_EQ(ops[1].kind, RegOperation::Kind::DeleteValue);
    EXPECT_EQ(ops[1].value.name, u"a"_s);
    EXPECT_EQ(ops[1].path, u".DEFAULT\\X"_s);
    EXPECT_EQ(ops[1].line, 4);
    EXPECT_EQ(ops[2].kind, RegOperation::Kind::DeleteTree);
    EXPECT_EQ(ops[2].root, RegRoot::LocalMachine);
    EXPECT_EQ(ops[2].path, u"Y\\Z"_s);
}

TEST(RegImport, DeletesTreesAndValuesAndToleratesMissingOnes)
{
    MemoryRegistryStore store;
    fill(store);
    const QByteArray file = reg("[-HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Library]\n"
                                "[-HKEY_CURRENT_USER\\Software\\Nowhere]\n"
                                "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\n"
                                "\"RootDir\"=-\n"
                                "@=-\n"
                                "\"Missing\"=-\n"
                                "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\n"
                                "\"Fresh\"=\"1\"\n");
    const RegImportSummary summary = importRegFile(file, store, u"del.reg"_s);
    EXPECT_EQ(summary.deletions, 6);
    EXPECT_EQ(summary.keys, 2);
    EXPECT_EQ(summary.values, 1);
    EXPECT_FALSE(store.keyExists(RegRoot::CurrentUser, kDelphi + u"\\Library"_s));
    EXPECT_FALSE(store.value(RegRoot::CurrentUser, kDelphi, u"RootDir"_s));
    EXPECT_FALSE(store.value(RegRoot::CurrentUser, kDelphi, QString()));
    EXPECT_TRUE(store.value(RegRoot::CurrentUser, kDelphi, u"Quote"_s));
    // Deleted, then created anew: only what the file wrote after the deletion.
    EXPECT_EQ(store.valueNames(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s), QStringList{u"Fresh"_s});
}

// ---------------------------------------------------------------- malformed files

TEST(RegImport, MalformedLineNamesItsLineAndChangesNothing)
{
    struct Case
    {
        QByteArray file;
        int line;
        const char* what;
    };
    const char* key = "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\n\"New\"=\"x\"\n";
    const QByteArray ok = reg(key); // lines 1..4; the bad line is line 5
    const Case cases[] = {
        {"REGEDIT\n[HKCU\\A]\n", 1, "first line"},
        {"", 1, "empty"},
        {reg("\"a\"=\"b\"\n"), 3, "before any key"},
        {reg("[-HKCU\\A]\n\"a\"=\"b\"\n"), 4, "after a key deletion"},
        {ok + "\"a\"=\"unterminated\n", 5, "no closing quote"},
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
        {ok + "\"a\"=hex:01,,02\n", 5, "bad hex"},
        {ok + "\"a\"=hex(zz):01\n", 5, "hex(N)"},
        {ok + "\"a\"=hex(2)01\n", 5, "hex(N)"},
        {ok + "\"a\"=hex:01,\\ x\n", 5, "continuation"},
        {ok + "\"a\"=hex:01,\\\n  02,\\\n  zz\n", 7, "bad hex"},
        {ok + "\"a\"=hex:01,\\\n; nothing follows\n", 5, "past the end"},
        {ok + "[HKEY_NOWHERE\\A]\n", 5, "unknown root key \"HKEY_NOWHERE\""},
        {ok + "[HKCU\\A\n", 5, "closing \"]\""},
        {ok + "[HKCU\\A] x\n", 5, "after the key name"},
        {ok + "[-HKEY_CURRENT_USER]\n", 5, "root key cannot be deleted"},
        // Roots the prefix's hive files do not hold are refused while parsing, before anything changes.
        {ok + "[HKEY_USERS\\.Default\\Software\\X]\n", 5, "\"HKEY_USERS\\.Default\\Software\\X\" cannot be written"},
        {ok + "[HKEY_USERS\\S-1-5-18]\n", 5, "cannot be written"},
        {ok + "[-HKU]\n", 5, "cannot be written"},
        {ok + "[HKEY_CURRENT_CONFIG\\Software]\n", 5, "cannot be written"},
        {ok + "[hkey_dyn_data\\Config Manager]\n", 5, "cannot be written"},
        {ok + "[HKEY_CURRENT_USER\\" + QByteArray(256, 'k') + "]\n", 5, "longer than 255 characters"},
        {ok + "\"" + QByteArray(16384, 'v') + "\"=\"x\"\n", 5, "longer than 16383 characters"},
        {ok + "Key=Value\n", 5, "unrecognised line"},
        {ok + QByteArray("\"a\"=\"x\0y\"\n", 10), 5, "NUL"},
        {QByteArray("REGEDIT4\r\r\n[HKCU\\A]\r\"a\"=\"\r"), 4, "no closing quote"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        MemoryRegistryStore store;
        fill(store);
        const QByteArray before = snapshot(store);
        try {
            importRegFile(c.file, store, u"bad.reg"_s);
            ADD_FAILURE() << "no error";
        } catch (const OperationError& e) {
            const QString prefix = u"bad.reg, line %1: "_s.arg(c.line);
            EXPECT_TRUE(e.message().startsWith(prefix)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QLatin1StringView(c.what))) << e.message().toStdString();
        }
        EXPECT_EQ(snapshot(store), before);
        EXPECT_FALSE(store.value(RegRoot::CurrentUser, kDelphi, u"New"_s));
    }
}

TEST(RegImport, WineUserOfHkeyUsersIsTheCurrentUserAndNamesAtTheLimitsAreTaken)
{
    MemoryRegistryStore store;
    const QByteArray longKey(255, 'k');
    const QByteArray longValue(16383, 'v');
    const QByteArray body = "[HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\X]\n\"a\"=\"1\"\n[HKCU\\" + longKey + "]\n\""
        + longValue + "\"=\"2\"\n";
    importRegFile(reg(body.constData()), store, u"u.reg"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"Software\\X"_s, u"a"_s), u"1"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, QString::fromLatin1(longKey), QString::fromLatin1(longValue)), u"2"_s);
}

TEST(RegImport, HiveWineWouldRefuseStopsTheImportBeforeAnythingChanges)
{
    QTemporaryDir prefix;
    const QByteArray user = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                            "#arch=win64\n\n[Software\\\\Old] 1700000000\n\"a\"=\"1\"\n";
    QFile u(prefix.filePath(u"user.reg"_s));
    ASSERT_TRUE(u.open(QIODevice::WriteOnly));
    u.write(user);
    u.close();
    QFile m(prefix.filePath(u"system.reg"_s));
    ASSERT_TRUE(m.open(QIODevice::WriteOnly));
    m.write("\xef\xbb\xbfWINE REGISTRY Version 2\n"); // Wine refuses a hive with a byte-order mark
    m.close();
    HiveRegistryStore store(prefix.path());
    EXPECT_THROW(importRegFile(reg("[HKCU\\Software\\New]\n\"b\"=\"2\"\n[HKLM\\Software\\X]\n"), store, u"x.reg"_s),
                 OperationError);
    EXPECT_FALSE(store.hasChanges()) << "the HKEY_CURRENT_USER lines before the bad hive's were not applied";
}

// ---------------------------------------------------------------- text encodings

TEST(RegImport, DecodesUtf16Utf8AndWindows1252)
{
    const QString text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\u00e9]\r\n"
                         "\"Name\"=\"\u4e2d\u6587 \U0001F600\"\r\n"_s;
    QByteArray le("\xff\xfe"), be("\xfe\xff");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    const QByteArray utf8 = text.toUtf8();
    const QByteArray utf8Bom = "\xef\xbb\xbf" + utf8;
    for (const QByteArray& file : {le, be, utf8, utf8Bom}) {
        MemoryRegistryStore store;
        importRegFile(file, store, u"t.reg"_s);
        EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"Software\\Caf\u00e9"_s, u"Name"_s), u"\u4e2d\u6587 \U0001F600"_s);
    }

    // Not valid UTF-8: the ANSI code page of a Western Windows.
    MemoryRegistryStore store;
    importRegFile(reg("[HKCU\\Caf\xe9]\n\"\x80\"=\"\x93q\x94 \xff\"\n"), store, u"a.reg"_s);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"Caf\u00e9"_s, u"\u20ac"_s), u"\u201cq\u201d \u00ff"_s);

    EXPECT_THROW(parseRegFile(le + "\n", u"odd.reg"_s), OperationError);
    // A terminating NUL some tools append is not a line of its own.
    EXPECT_EQ(parseRegFile(le + QByteArray(2, '\0'), u"nul.reg"_s).size(), 2u);
}

// ---------------------------------------------------------------- size and hostile input

TEST(RegImport, LargeAndHostileInputs)
{
    // Ten thousand values, one very long hex value and one very long escaped string.
    QByteArray big = reg("[HKEY_CURRENT_USER\\Software\\Big]\r\n");
    for (int i = 0; i < 10000; ++i)
        big += "\"Value" + QByteArray::number(i) + "\"=\"C:\\\\Path\\\\" + QByteArray::number(i) + "\"\r\n";
    big += "\"Hex\"=hex:";
    for (int i = 0; i < 100000; ++i)
        big += i % 20 == 19 && i + 1 < 100000 ? "ab,\\\r\n  " : "ab,";
    big += "\r\n\"Long\"=\"" + QByteArray(200000, 'x').replace("x", "\\\"") + "\"\r\n";

    // How fast this goes is the benchmark's business (build/bench/vx_bench); here it must work.
    const auto ops = parseRegFile(big, u"big.reg"_s);
    EXPECT_EQ(ops.size(), 10003u);

    MemoryRegistryStore store;
    const RegImportSummary summary = importRegFile(big, store, u"big.reg"_s);
    EXPECT_EQ(summary.values, 10002);
    EXPECT_EQ(valueOf(store, RegRoot::CurrentUser, u"Software\\Big"_s, u"Hex"_s).data.size(), 100000);
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"Software\\Big"_s, u"Long"_s), QString(200000, u'"'));
    EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"Software\\Big"_s, u"Value9999"_s), u"C:\\Path\\9999"_s);

    QRandomGenerator random(20240611);
    QByteArray noise(1024 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    for (const QByteArray& file : QByteArrayList{noise, reg("[HKCU\\A]\n") + noise, "\xff\xfe" + noise}) {
        MemoryRegistryStore target;
        const QByteArray before = snapshot(target);
        EXPECT_THROW(importRegFile(file, target, u"noise.reg"_s), OperationError);
        EXPECT_EQ(snapshot(target), before);
    }
}

TEST(RegImport, BackupIsInTheAnsiCodePageWhenItFitsElseUnicodeAndReadsBack)
{
    const QString latin = u"Caf\u00e9"_s;
    const QString chinese = u"\u4ee3\u7801"_s;
    const QString hungarian = u"\u0151"_s; // in neither 1252 nor 936
    const QStringList ascii{u"REGEDIT4"_s, QString(), u"[HKEY_CURRENT_USER\\A]"_s, u"\"n\"=\"v\""_s};
    EXPECT_EQ(regFileBytes(ascii, 1252), QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"n\"=\"v\"\r\n"));

    struct Case
    {
        int codePage;
        QString name;
        QByteArray start;
    };
    const QByteArray unicode("\xff\xfeW\0i\0n\0d\0o\0w\0s\0 \0R\0", 20);
    const Case cases[] = {
        {1252, latin, "REGEDIT4\r\n"},
        {936, latin + chinese, "REGEDIT4\r\n"},
        {1252, chinese, unicode},
        // Bytes D8 98 in 1252 would also read as UTF-8 (as another character).
        {1252, u"\u00d8\u02dc"_s, unicode},
        {936, chinese + hungarian, unicode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const QStringList lines{u"REGEDIT4"_s, QString(), u"[HKEY_CURRENT_USER\\A]"_s,
                                u"\""_s + c.name + u"\"=\""_s + c.name + u"\""_s};
        const QByteArray bytes = regFileBytes(lines, c.codePage);
        EXPECT_TRUE(bytes.startsWith(c.start)) << bytes.left(24).toHex().constData();
        if (c.start.startsWith("REGEDIT4")) {
            EXPECT_EQ(bytes, encodeInCodePage(QString(lines.join(u"\r\n"_s) + u"\r\n"_s), c.codePage).value());
        }
        // Read back with the same ANSI code page in effect.
        setAnsiCodePage(c.codePage);
        MemoryRegistryStore store;
        importRegFile(bytes, store, u"b.reg"_s);
        setAnsiCodePage(1252);
        EXPECT_EQ(textOf(store, RegRoot::CurrentUser, u"A"_s, c.name), c.name);
    }
}
