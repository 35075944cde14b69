// Wine's reg and regedit and our snapshots and backups read each other, and an undone import
// gives back exactly what Wine showed before.

#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "platform/CodePage.h"
#include "support/MemoryRegistryStore.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;

class WineDelphiInterop : public test::WinePrefixTest
{
  protected:
    static QString file(const QString& name) { return s_dir->path() + u'/' + name; }
    static QString windowsPath(const QString& host) { return u"Z:"_s + QString(host).replace(u'/', u'\\'); }
    // Runs a Wine program and stops the server, so that the hives on disk are what it left.
    static bool wineRun(const QStringList& args) { return run(u"wine"_s, args).has_value() && stopServer(); }
    static bool regedit(const QString& hostFile)
    {
        return wineRun({u"regedit"_s, u"/S"_s, windowsPath(hostFile)});
    }
    // HKEY_LOCAL_MACHINE\Software as Wine's reg exports it in one view: every key, value and byte.
    static QByteArray exportMachineSoftware(bool view32)
    {
        const QString out = file(view32 ? u"software32.reg"_s : u"software64.reg"_s);
        QFile::remove(out);
        return wineRun({u"reg"_s, u"export"_s, u"HKLM\\Software"_s, windowsPath(out), u"/y"_s,
                        view32 ? u"/reg:32"_s : u"/reg:64"_s})
                   ? test::readAll(out)
                   : QByteArray();
    }
};

TEST_F(WineDelphiInterop, SnapshotsHoldWhatWinesRegExportWritesAndRegeditRestoresThem)
{
    // Values of every type, written by us, exported by Wine's reg: a snapshot of the same tree
    // reads as the same keys, names, types and bytes.
    const QString key = kD7 + u"\\Typed"_s;
    HiveRegistryStore store(prefix());
    store.createKey(HKCU, key);
    const RegValue values[] = {
        RegValue::string(u"Path \"q\""_s, u"C:\\a\\b \u00fc"_s),
        RegValue::string(u"Expand"_s, u"%SystemRoot%\\x"_s, REG_EXPAND_SZ),
        RegValue::multiString(u"Multi"_s, {u"one"_s, u"two"_s}),
        RegValue::dword(u"Number"_s, 0xfffffffe),
        {u"Bytes"_s, REG_BINARY, QByteArray(100, '\x5a')},
        {u"Qword"_s, 11, QByteArray("\1\2\3\4\5\6\7\x08", 8)},
        RegValue::string({}, u"default"_s),
    };
    for (const RegValue& v : values)
        store.setValue(HKCU, key, v);
    store.commit();
    const QString exported = file(u"exported.reg"_s);
    ASSERT_TRUE(wineRun({u"reg"_s, u"export"_s, u"HKCU\\"_s + kD7, windowsPath(exported), u"/y"_s}));

    const QByteArray snapshot = snapshotBytes(HiveRegistryStore(prefix()), QList<RegKeyRef>{{HKCU, kD7}},
                                              SnapshotOperation::Clear, QDateTime::currentDateTime());
    MemoryRegistryStore wines, ours;
    importRegFile(test::readAll(exported), wines, exported);
    restoreSnapshot(parseSnapshot(snapshot, u"snapshot.reg"_s), ours, u"snapshot.reg"_s);
    EXPECT_EQ(test::registryContents(wines), test::registryContents(ours));

    // Wine's regedit takes a snapshot as it is: the deletion line empties the tree first.
    const QString snapshotFile = file(u"snapshot.reg"_s);
    test::writeAll(snapshotFile, snapshot);
    HiveRegistryStore changing(prefix());
    changing.setValue(HKCU, key, RegValue::string(u"Added later"_s, u"x"_s));
    changing.deleteValue(HKCU, key, u"Multi"_s);
    changing.commit();
    ASSERT_TRUE(regedit(snapshotFile));
    const HiveRegistryStore after(prefix());
    for (const RegValue& v : values)
        EXPECT_EQ(after.value(HKCU, key, v.name), v) << v.name.toStdString();
    EXPECT_FALSE(after.value(HKCU, key, u"Added later"_s).has_value());
}

// Wine's regedit reads REGEDIT4 text in the prefix's ANSI code page, and the Unicode form without
// loss: a backup whose names fit the code page takes the first, one whose names do not the second.
// (Our own import reads both forms: RegImportTest.)
TEST_F(WineDelphiInterop, RegeditReadsOurBackupsInEitherForm)
{
    setAnsiCodePage(readAnsiCodePage(prefix()));
    const QString experts = kD7 + u"\\Experts"_s;
    const QString latin = u"Caf\u00e9 \u00dcbersicht"_s, chinese = u"\u4ee3\u7801\u5de5\u5177"_s;
    const RegValue values[] = {RegValue::string(latin, u"C:\\D7\\caf\u00e9.dll"_s),
                               RegValue::string(u"Q \"x\""_s, u"C:\\a\\b.dll"_s)};
    for (const bool withChinese : {false, true}) {
        SCOPED_TRACE(withChinese ? "Unicode form" : "ANSI form");
        HiveRegistryStore store(prefix());
        clearDelphiRegistry(store);
        store.createKey(HKCU, experts);
        for (const RegValue& v : values)
            store.setValue(HKCU, experts, v);
        if (withChinese)
            store.setValue(HKCU, experts, RegValue::string(chinese, u"C:\\D7\\x.dll"_s));
        store.commit();
        const QString backup = file(withChinese ? u"unicode.reg"_s : u"ansi.reg"_s);
        const QByteArray bytes = backupDelphiRegistry(store);
        test::writeAll(backup, bytes);
        EXPECT_EQ(bytes.startsWith("REGEDIT4\r\n"), !withChinese);
        clearDelphiRegistry(store);
        store.commit();
        ASSERT_TRUE(regedit(backup));
        const HiveRegistryStore byRegedit(prefix());
        for (const RegValue& v : values)
            EXPECT_EQ(byRegedit.value(HKCU, experts, v.name), v)
                << byRegedit.valueNames(HKCU, experts).join(u", "_s).toStdString();
        EXPECT_EQ(byRegedit.value(HKCU, experts, chinese).has_value(), withChinese);
    }
    setAnsiCodePage(1252);
}

// An import that names HKLM\SOFTWARE itself and sets a font substitute (a key that Wine keeps as a
// link in the 32-bit view) writes where Wine reads it; its undo gives back both views of
// HKLM\Software exactly as Wine exported them before, with the link still a link.
TEST_F(WineDelphiInterop, AnImportAndItsUndoLandWhereWineReadsAndTouchNothingElse)
{
    const QByteArray savedState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(file(u"state"_s)));
    const QByteArray before64 = exportMachineSoftware(false), before32 = exportMachineSoftware(true);
    ASSERT_GT(before64.size(), 100000);

    const QString subs = u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"_s;
    const QByteArray reg =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"
        "\"Vorlix Test Font\"=\"Tahoma\"\r\n";
    HiveRegistryStore store(prefix());
    const TransactionResult imported = runRegistryTransaction(
        store, prefix(), SnapshotOperation::Import, importScope(store, parseRegFile(reg, u"i.reg"_s)),
        [&] { importRegFile(reg, store, u"i.reg"_s); }, OnFailure::WriteNothing);
    ASSERT_TRUE(imported.ok() && imported.snapshot) << imported.error.toStdString();
    for (const bool view32 : {true, false})
        EXPECT_EQ(query(subs, view32).value(u"Vorlix Test Font"_s).second, u"Tahoma"_s)
            << "32-bit view: " << view32;
    ASSERT_TRUE(stopServer());

    HiveRegistryStore undo(prefix());
    const RestoreResult restored = restoreSnapshotFile(imported.snapshot->file, undo, prefix());
    ASSERT_TRUE(restored.transaction.ok()) << restored.transaction.error.toStdString();
    EXPECT_EQ(exportMachineSoftware(false), before64);
    EXPECT_EQ(exportMachineSoftware(true), before32);
    EXPECT_TRUE(
        test::readAll(prefix() + u"/system.reg"_s)
            .contains(
                "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes]"))
        << "the link key is still there";
    qputenv("XDG_STATE_HOME", savedState);
}

} // namespace
