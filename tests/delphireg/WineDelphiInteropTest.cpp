// Wine reads what the IDE's registry operations write, and Wine's own regedit takes our backups.

#include "delphireg/DefaultConfig.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryAccess.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "platform/CodePage.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class WineDelphiInterop : public test::WinePrefixTest
{
protected:
    const QString root = u"C:\\D7\\"_s;

    // A Delphi directory in the prefix with the files the project names.
    void makeFiles()
    {
        for (const char* f : {"drive_c/D7/Experts/Code.dll", "drive_c/D7/bin/dclstd70.bpl", "drive_c/Pkg/ext.bpl"})
            test::writeAll(prefix() + u'/' + QString::fromLatin1(f), "x");
    }
    static QString windowsPath(const QString& host) { return u"Z:"_s + QString(host).replace(u'/', u'\\'); }
};

TEST_F(WineDelphiInterop, WineSeesWhatApplyAndClearWrite)
{
    makeFiles();
    ConfigProject p;
    p.experts().add({u"Code Tools"_s, u"$(Delphi)\\Experts\\Code.dll"_s, {}, true});
    p.experts().add({u"Gone"_s, u"$(Delphi)\\Experts\\Gone.dll"_s, {}, true});
    ComponentListModel& g = p.addGroup(u"G"_s);
    g.add({u"Standard"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s, u"$(Delphi)\\Lib"_s, {}, true});
    g.add({u"External"_s, u"C:\\Pkg\\ext.bpl"_s, {}, {}, true});
    p.searchPath().addPaths({u"$(Delphi)\\Bin"_s});
    p.tools().add({u"&Tool"_s, u"$(Delphi)\\bin\\t.exe"_s, u"$(Delphi)"_s, u"-x"_s, true});

    HiveRegistryStore store(prefix());
    applyProject(store, p, PathMacro(root), PathBridge(prefix()));
    store.commit();

    const auto experts = query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Experts"_s, false);
    EXPECT_EQ(experts.size(), 1);
    EXPECT_EQ(experts.value(u"Code Tools"_s), (QPair<QString, QString>{u"REG_SZ"_s, u"C:\\D7\\Experts\\Code.dll"_s}));
    const auto packages = query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Known Packages"_s, false);
    EXPECT_EQ(packages.value(u"$(Delphi)\\bin\\dclstd70.bpl"_s).second, u"Standard"_s);
    EXPECT_EQ(packages.value(u"C:\\Pkg\\ext.bpl"_s).second, u"External"_s);
    const auto transfer = query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Transfer"_s, false);
    EXPECT_EQ(transfer.value(u"Count"_s).second, u"1"_s);
    EXPECT_EQ(transfer.value(u"WorkingDir0"_s).second, root);
    EXPECT_EQ(query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Library"_s, false).value(u"Search Path"_s).second,
              u"$(Delphi)\\Bin;$(Delphi)\\Lib"_s);
    EXPECT_EQ(query(u"HKLM\\Software\\Borland\\Delphi\\7.0"_s, true).value(u"RootDir"_s).second, root)
        << "the 32-bit view the IDE reads";
    ASSERT_TRUE(stopServer());

    HiveRegistryStore again(prefix());
    clearDelphiRegistry(again);
    again.commit();
    EXPECT_TRUE(query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Experts"_s, false).isEmpty());
    EXPECT_TRUE(query(u"HKLM\\Software\\Borland\\Delphi\\7.0"_s, true).isEmpty());
    EXPECT_FALSE(query(u"HKCU\\Control Panel\\Desktop"_s, false).isEmpty()) << "the rest of the registry stays";
}

TEST_F(WineDelphiInterop, WineSeesTheDefaultConfiguration)
{
    HiveRegistryStore store(prefix());
    writeDefaultConfiguration(store, {root, root + u"MSHelp"_s, true, u"C:\\BDE\\"_s});
    store.commit();
    const auto direct = query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Direct"_s, false);
    EXPECT_EQ(direct.value(u"PollPeriod"_s).first, u"REG_DWORD"_s);
    EXPECT_EQ(query(u"HKCU\\Software\\Borland\\Delphi\\7.0"_s, false).value(u"LocalSharedRoot"_s).second, u"C:\\D7"_s);
    EXPECT_EQ(query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Known Packages"_s, false).size(), 34);
    EXPECT_EQ(query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Transfer"_s, false).value(u"Title3"_s).second,
              u"Ra&ve Designer"_s);
    // The machine keys where the 32-bit IDE reads them.
    EXPECT_EQ(query(u"HKLM\\Software\\Borland\\Delphi\\7.0"_s, true).value(u"RootDir"_s).second, root);
    EXPECT_EQ(query(u"HKLM\\Software\\Microsoft\\Windows\\Help"_s, true).value(u"win32sdk.hlp"_s).second,
              root + u"MSHelp"_s);
    EXPECT_EQ(query(u"HKLM\\Software\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE"_s, true)
                  .value(u"STRICTINTEGRTY"_s)
                  .second,
              u"TRUE"_s);
    ASSERT_TRUE(stopServer());
}

TEST_F(WineDelphiInterop, RegeditImportsOurBackupAndWeImportItsValues)
{
    HiveRegistryStore store(prefix());
    const QString d7 = u"Software\\Borland\\Delphi\\7.0"_s;
    store.createKey(RegRoot::CurrentUser, d7 + u"\\Experts"_s);
    store.setValue(RegRoot::CurrentUser, d7 + u"\\Experts"_s, RegValue::string(u"Q \"x\""_s, u"C:\\a\\b.dll"_s));
    store.setValue(RegRoot::CurrentUser, d7, RegValue::dword(u"Seven"_s, 7));
    store.createKey(RegRoot::LocalMachine, d7);
    store.setValue(RegRoot::LocalMachine, d7, RegValue::string(u"RootDir"_s, root));
    store.commit();
    const QString file = s_dir->path() + u"/backup.reg"_s;
    test::writeAll(file, backupDelphiRegistry(store));

    HiveRegistryStore clearing(prefix());
    clearDelphiRegistry(clearing);
    clearing.commit();
    ASSERT_TRUE(run(u"wine"_s, {u"regedit"_s, u"/S"_s, windowsPath(file)}));
    ASSERT_TRUE(stopServer());

    const HiveRegistryStore after(prefix());
    const auto expert = after.value(RegRoot::CurrentUser, d7 + u"\\Experts"_s, u"Q \"x\""_s);
    ASSERT_TRUE(expert.has_value());
    EXPECT_EQ(expert->text(), u"C:\\a\\b.dll"_s);
    const auto seven = after.value(RegRoot::CurrentUser, d7, u"Seven"_s);
    ASSERT_TRUE(seven.has_value());
    EXPECT_EQ(seven->text(), u"7"_s) << "integers come back as strings";
    // Wine's regedit is a 64-bit program: it puts machine keys into the 64-bit view, where the
    // 32-bit IDE does not look. Our own import writes the IDE's view (below).
    EXPECT_EQ(query(u"HKLM\\Software\\Borland\\Delphi\\7.0"_s, false).value(u"RootDir"_s).second, root);
    EXPECT_FALSE(after.value(RegRoot::LocalMachine, d7, u"RootDir"_s).has_value());
    ASSERT_TRUE(stopServer());

    // Our own import of the same file gives what regedit gave.
    HiveRegistryStore ours(prefix());
    clearDelphiRegistry(ours);
    importRegFile(test::readAll(file), ours, file);
    ours.commit();
    EXPECT_EQ(query(u"HKCU\\Software\\Borland\\Delphi\\7.0\\Experts"_s, false).value(u"Q \"x\""_s).second,
              u"C:\\a\\b.dll"_s);
    EXPECT_EQ(query(u"HKLM\\Software\\Borland\\Delphi\\7.0"_s, true).value(u"RootDir"_s).second, root);
}

TEST_F(WineDelphiInterop, SnapshotsHoldWhatWinesRegExportWritesAndRegeditRestoresThem)
{
    // Values of every type, written by us, exported by Wine's reg: a snapshot of the same tree
    // reads as the same keys, names, types and bytes.
    const QString d7 = u"Software\\Borland\\Delphi\\7.0"_s;
    const QString key = d7 + u"\\Typed"_s;
    HiveRegistryStore store(prefix());
    store.createKey(RegRoot::CurrentUser, key);
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
        store.setValue(RegRoot::CurrentUser, key, v);
    // A string without its NUL: Wine's export writes it as an empty string, ours keeps its bytes.
    store.setValue(RegRoot::CurrentUser, key, {u"Odd string"_s, REG_SZ, QByteArray("abc", 3)});
    store.commit();
    const QString exported = s_dir->path() + u"/exported.reg"_s;
    ASSERT_TRUE(run(u"wine"_s, {u"reg"_s, u"export"_s, u"HKCU\\"_s + d7, windowsPath(exported), u"/y"_s}));
    ASSERT_TRUE(stopServer());

    const auto setValues = [](const std::vector<RegOperation>& ops) {
        QStringList out;
        for (const RegOperation& op : ops) {
            if (op.kind == RegOperation::Kind::SetValue)
                out << op.path.toLower() + u'|' + op.value.name + u'|' + QString::number(op.value.type) + u'|' +
                           QString::fromLatin1(op.value.data.toHex());
        }
        out.sort();
        return out;
    };
    const QList<RegKeyRef> tree{{RegRoot::CurrentUser, d7}};
    const QByteArray snapshot = snapshotBytes(HiveRegistryStore(prefix()), tree, SnapshotOperation::Clear,
                                              QDateTime::currentDateTime());
    QStringList ours = setValues(parseSnapshot(snapshot, u"snapshot.reg"_s).writes);
    const QString odd = d7.toLower() + u"\\typed|Odd string|1|616263"_s;
    EXPECT_EQ(ours.removeAll(odd), 1);
    QStringList wines = setValues(parseRegFile(test::readAll(exported), exported));
    EXPECT_EQ(wines.removeAll(d7.toLower() + u"\\typed|Odd string|1|0000"_s), 1);
    EXPECT_EQ(ours.filter(d7.toLower() + u"\\typed|"_s).size(), 7);
    EXPECT_EQ(wines, ours);

    // Wine's regedit takes a snapshot as it is: the deletion line empties the tree first.
    const QString file = s_dir->path() + u"/snapshot.reg"_s;
    test::writeAll(file, snapshot);
    HiveRegistryStore changing(prefix());
    changing.setValue(RegRoot::CurrentUser, key, RegValue::string(u"Added later"_s, u"x"_s));
    changing.deleteValue(RegRoot::CurrentUser, key, u"Multi"_s);
    changing.commit();
    ASSERT_TRUE(run(u"wine"_s, {u"regedit"_s, u"/S"_s, windowsPath(file)}));
    ASSERT_TRUE(stopServer());
    const HiveRegistryStore after(prefix());
    for (const RegValue& v : values)
        EXPECT_EQ(after.value(RegRoot::CurrentUser, key, v.name), v) << v.name.toStdString();
    EXPECT_FALSE(after.value(RegRoot::CurrentUser, key, u"Added later"_s).has_value());
}

TEST_F(WineDelphiInterop, RegeditReadsNonAsciiNamesOfOurBackupsInEitherForm)
{
    // Wine's regedit reads REGEDIT4 text in the prefix's ANSI code page, and the Unicode form
    // without loss: a name that fits the code page takes the first, one that does not the second.
    setAnsiCodePage(readAnsiCodePage(prefix()));
    const QString d7 = u"Software\\Borland\\Delphi\\7.0"_s;
    const QString experts = d7 + u"\\Experts"_s;
    const QString latin = u"Caf\u00e9 \u00dcbersicht"_s;
    const QString chinese = u"\u4ee3\u7801\u5de5\u5177"_s;

    for (const bool withChinese : {false, true}) {
        SCOPED_TRACE(withChinese ? "Unicode form" : "ANSI form");
        HiveRegistryStore store(prefix());
        clearDelphiRegistry(store);
        store.createKey(RegRoot::CurrentUser, experts);
        store.setValue(RegRoot::CurrentUser, experts, RegValue::string(latin, u"C:\\D7\\caf\u00e9.dll"_s));
        if (withChinese)
            store.setValue(RegRoot::CurrentUser, experts, RegValue::string(chinese, u"C:\\D7\\x.dll"_s));
        store.commit();
        const QString file = s_dir->path() + (withChinese ? u"/unicode.reg"_s : u"/ansi.reg"_s);
        const QByteArray bytes = backupDelphiRegistry(store);
        test::writeAll(file, bytes);
        EXPECT_EQ(bytes.startsWith("\xff\xfeW\0i\0n\0"), withChinese);
        EXPECT_EQ(bytes.startsWith("REGEDIT4\r\n"), !withChinese);

        HiveRegistryStore clearing(prefix());
        clearDelphiRegistry(clearing);
        clearing.commit();
        ASSERT_TRUE(run(u"wine"_s, {u"regedit"_s, u"/S"_s, windowsPath(file)}));
        ASSERT_TRUE(stopServer());
        const HiveRegistryStore byRegedit(prefix());
        const auto value = byRegedit.value(RegRoot::CurrentUser, experts, latin);
        ASSERT_TRUE(value.has_value()) << byRegedit.valueNames(RegRoot::CurrentUser, experts).join(u", "_s).toStdString();
        EXPECT_EQ(value->text(), u"C:\\D7\\caf\u00e9.dll"_s);
        EXPECT_EQ(byRegedit.value(RegRoot::CurrentUser, experts, chinese).has_value(), withChinese);

        // Our own import reads the file back the same way.
        HiveRegistryStore ours(prefix());
        clearDelphiRegistry(ours);
        importRegFile(bytes, ours, file);
        EXPECT_EQ(ours.value(RegRoot::CurrentUser, experts, latin)->text(), u"C:\\D7\\caf\u00e9.dll"_s);
        EXPECT_EQ(ours.value(RegRoot::CurrentUser, experts, chinese).has_value(), withChinese);
    }
    setAnsiCodePage(1252);
}

} // namespace

namespace {

// HKEY_LOCAL_MACHINE\Software as Wine's reg exports it in one view: every key, value and byte.
QByteArray exportMachineSoftware(const QString& dir, bool view32)
{
    const QString file = dir + (view32 ? u"/software32.reg"_s : u"/software64.reg"_s);
    QFile::remove(file);
    if (!test::WinePrefixTest::run(u"wine"_s, {u"reg"_s, u"export"_s, u"HKLM\\Software"_s, u"Z:"_s + QString(file).replace(u'/', u'\\'),
                                                u"/y"_s, view32 ? u"/reg:32"_s : u"/reg:64"_s}))
        return {};
    return test::readAll(file);
}

} // namespace

// An import that names HKLM\SOFTWARE itself and sets a font substitute (a key that Wine keeps as a
// link in the 32-bit view) writes where Wine reads it; its undo gives back both views of
// HKLM\Software exactly as Wine exported them before, with the link still a link.
TEST_F(WineDelphiInterop, AnImportAndItsUndoLandWhereWineReadsAndTouchNothingElse)
{
    const QByteArray savedState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(s_dir->path() + u"/state"_s));
    const QByteArray before64 = exportMachineSoftware(s_dir->path(), false);
    const QByteArray before32 = exportMachineSoftware(s_dir->path(), true);
    ASSERT_TRUE(stopServer());
    ASSERT_GT(before64.size(), 100000);

    const QString subs = u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"_s;
    const QByteArray file = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"
                            "\"Vorlix Test Font\"=\"Tahoma\"\r\n";
    HiveRegistryStore store(prefix());
    const TransactionResult imported = runRegistryTransaction(
        store, prefix(), SnapshotOperation::Import, importScope(store, parseRegFile(file, u"i.reg"_s)),
        [&] { importRegFile(file, store, u"i.reg"_s); }, OnFailure::WriteNothing);
    ASSERT_TRUE(imported.ok() && imported.snapshot) << imported.error.toStdString();
    for (const bool view32 : {true, false})
        EXPECT_EQ(query(subs, view32).value(u"Vorlix Test Font"_s).second, u"Tahoma"_s) << "32-bit view: " << view32;
    ASSERT_TRUE(stopServer());

    HiveRegistryStore undo(prefix());
    const RestoreResult restored = restoreSnapshotFile(imported.snapshot->file, undo, prefix());
    ASSERT_TRUE(restored.transaction.ok()) << restored.transaction.error.toStdString();
    EXPECT_EQ(exportMachineSoftware(s_dir->path(), false), before64);
    EXPECT_EQ(exportMachineSoftware(s_dir->path(), true), before32);
    ASSERT_TRUE(stopServer());
    EXPECT_TRUE(test::readAll(prefix() + u"/system.reg"_s)
                    .contains("[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes]"))
        << "the link key is still there";
    qputenv("XDG_STATE_HOME", savedState);
}
