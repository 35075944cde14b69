// Capture, Apply (and its preview), backup and clear of the IDE's keys.

#include "delphireg/DelphiConfig.h"
#include "delphireg/ApplyPreview.h"
#include "delphireg/RegistryAccess.h"
#include "fixtures/Sandbox.h"
#include "platform/Errors.h"
#include "platform/PathBridge.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"
#include "support/MemoryRegistryStore.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
const QString kD7 = QString::fromUtf16(delphikeys::kRoot);

// The rows of a list as "text|text|...|image" with "+" for a checked row.
QStringList rows(const EntryListModel& m)
{
    QStringList out;
    for (int r = 0; r < m.count(); ++r)
        out << m.row(r).texts.join(u'|') + u'|' + QString::number(m.row(r).image) +
                   (m.row(r).selected ? u"+"_s : u""_s);
    return out;
}

class DelphiConfigTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s));
    PathBridge bridge{sb.prefix};
    PathMacro macro{sb.delphiRoot};
    MemoryRegistryStore store;

    void set(const QString& key, const QString& name, const QString& data)
    {
        store.createKey(HKCU, kD7 + key);
        store.setValue(HKCU, kD7 + key, RegValue::string(name, data));
    }
    QString get(RegRoot root, const QString& key, const QString& name) const
    {
        const auto v = store.value(root, kD7 + key, name);
        return v ? registryText(v->data) : u"<missing>"_s;
    }
};

// Capture: the IDE's keys as project rows; a damaged Tools count stops it with the IDE's message.
TEST_F(DelphiConfigTest, CaptureTurnsTheIdeKeysIntoProjectRows)
{
    set(u"\\Experts"_s, u"Code Tools"_s, u"c:\\PROGRAM FILES\\borland\\delphi7\\Experts\\CodeTools.dll"_s);
    set(u"\\Experts"_s, u"Macro"_s, u"$(Delphi)\\Experts\\m.dll"_s);
    set(u"\\Known Packages"_s, u"$(DELPHI)\\Bin\\dclstd70.bpl"_s, u"Standard"_s);
    set(u"\\Known Packages"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin\\x.bpl"_s, u"X"_s);
    set(u"\\Known Packages"_s, u"C:\\Program Files\\Other\\y.bpl"_s, u"Y"_s);
    set(u"\\Known Packages"_s, u"bare.bpl"_s, u"Bare"_s);
    set(u"\\Library"_s, u"Search Path"_s, u"$(DELPHI)\\Lib;C:\\Program Files\\Borland\\Delphi7\\Imports"_s);
    set(u"\\Transfer"_s, u"Count"_s, u"2"_s);
    set(u"\\Transfer"_s, u"Title0"_s, u"&Image Editor"_s);
    set(u"\\Transfer"_s, u"Path0"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin\\imagedit.exe"_s);
    set(u"\\Transfer"_s, u"WorkingDir0"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin"_s);
    set(u"\\Transfer"_s, u"Params1"_s, u"$EDNAME"_s);

    ConfigProject p;
    EXPECT_EQ(captureDelphiConfig(store, p, macro), 4);
    // A file already in macro form is not shortened, so it shows as outside DelphiRoot.
    EXPECT_EQ(rows(p.experts()),
              (QStringList{u"Code Tools|$(Delphi)\\Experts\\CodeTools.dll|Code Tools|12+"_s,
                           u"Macro|$(Delphi)\\Experts\\m.dll|Macro|18+"_s}));
    ASSERT_EQ(p.groupCount(), 2);
    EXPECT_EQ(p.groupName(0) + u',' + p.groupName(1), u"Delphi7,Other"_s);
    EXPECT_EQ(rows(p.group(0)),
              (QStringList{u"Standard|$(DELPHI)\\Bin\\dclstd70.bpl|$(DELPHI)\\Bin|Standard|12+"_s,
                           u"X|$(Delphi)\\Bin\\x.bpl|$(Delphi)\\Bin|X|12+"_s}));
    EXPECT_EQ(rows(p.group(1)),
              (QStringList{u"Bare|bare.bpl||Bare|18+"_s,
                           u"Y|C:\\Program Files\\Other\\y.bpl|C:\\Program Files\\Other|Y|18+"_s}));
    EXPECT_EQ(p.searchPath().rows(), (QStringList{u"$(Delphi)\\Imports"_s, u"$(DELPHI)\\Lib"_s}));
    EXPECT_EQ(rows(p.tools()),
              (QStringList{u"&Image Editor|$(Delphi)\\Bin\\imagedit.exe|$(Delphi)\\Bin||12+"_s,
                           u"|||$EDNAME|18+"_s}));

    set(u"\\Transfer"_s, u"Count"_s, u"two"_s);
    ConfigProject bad;
    EXPECT_EQ(test::errorOf<OperationError>([&] { captureDelphiConfig(store, bad, macro); }),
              u"'two' is not a valid integer value"_s);
    EXPECT_EQ(bad.experts().count(), 2) << "rows before the error stay";
}

TEST_F(DelphiConfigTest, ApplyWritesTheSelectionOnly)
{
    set(u"\\Experts"_s, u"Stale"_s, u"C:\\old.dll"_s);
    set(u"\\Palette"_s, u"Layout"_s, u"x"_s);
    set(u"\\Library"_s, u"Browsing Path"_s, u"keep"_s);
    set(u"\\Transfer"_s, u"Count"_s, u"9"_s);
    ConfigProject p;
    p.experts().add({u"Code"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, true});
    p.experts().add({u"Code"_s, u"$(Delphi)\\Experts\\FormPlus.dll"_s, {}, true}); // same name: later wins
    p.experts().add({u"Off"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, false});
    p.experts().add({u"Gone"_s, u"$(Delphi)\\Experts\\Missing.dll"_s, {}, true});
    ComponentListModel& g = p.addGroup(u"G"_s);
    g.add({u"Std"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s, u"$(DELPHI)\\Lib"_s, {}, true});
    g.add({u"Missing"_s, u"$(Delphi)\\bin\\nothere.bpl"_s, u"C:\\Inc"_s, {}, true});
    g.add({u"Unchecked"_s, u"$(Delphi)\\bin\\dcldb70.bpl"_s, u"C:\\NotMe"_s, {}, false});
    p.searchPath().addPaths({u"C:\\A"_s, u"c:\\a"_s, u"$(Delphi)\\Lib"_s, u""_s});
    p.tools().add({u"t0"_s, u"p"_s, {}, {}, false});
    p.tools().add({u"Tool A"_s, u"$(Delphi)\\bin\\imagedit.exe"_s, u"$(DELPHI)"_s, u"-a"_s, true});
    p.tools().add({u"t2"_s, u"p"_s, {}, {}, false});
    p.tools().add({u"Tool B"_s, u"C:\\missing.exe"_s, u"$(Delphi)\\Bin"_s, {}, true});

    applyProject(store, p, macro, bridge);
    const QString root = sb.delphiRoot;
    EXPECT_EQ(store.valueNames(HKCU, kD7 + u"\\Experts"_s), (QStringList{u"Code"_s}));
    EXPECT_EQ(get(HKCU, u"\\Experts"_s, u"Code"_s), root + u"Experts\\FormPlus.dll"_s);
    EXPECT_FALSE(store.keyExists(HKCU, kD7 + u"\\Palette"_s));
    EXPECT_EQ(store.valueNames(HKCU, kD7 + u"\\Known Packages"_s),
              (QStringList{u"$(Delphi)\\bin\\dclstd70.bpl"_s}));
    EXPECT_EQ(get(HKCU, u"\\Known Packages"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s), u"Std"_s);
    // The rows ("c:\a" is "C:\A"), then the checked packages' new include paths; no trailing ";".
    EXPECT_EQ(get(HKCU, u"\\Library"_s, u"Search Path"_s).toLower(), u"$(delphi)\\lib;c:\\a;c:\\inc"_s);
    EXPECT_EQ(get(HKCU, u"\\Library"_s, u"Browsing Path"_s), u"keep"_s);
    const std::pair<QString, QString> tools[] = {{u"Count"_s, u"2"_s},
                                                 {u"Title0"_s, u"Tool A"_s},
                                                 {u"WorkingDir0"_s, root},
                                                 {u"Path1"_s, u"C:\\missing.exe"_s},
                                                 {u"WorkingDir1"_s, root + u"Bin"_s},
                                                 {u"Title2"_s, u"<missing>"_s}};
    for (const auto& [name, data] : tools)
        EXPECT_EQ(get(HKCU, u"\\Transfer"_s, name), data) << name.toStdString(); // tools: no file check

    ConfigProject emptyLast; // an empty last text keeps the separator before it
    emptyLast.addGroup(u"G"_s).add({u"x"_s, u"f"_s, u""_s, {}, true});
    emptyLast.searchPath().addPaths({u"B"_s, u"A"_s});
    EXPECT_EQ(appliedSearchPath(emptyLast), u"A;B;"_s);
}

TEST_F(DelphiConfigTest, BackupWritesTheExactExportAndClearRemovesTheTrees)
{
    set({}, u"RootDir"_s, u"C:\\Delphi7\\Bin"_s);
    set({}, u"Odd\\\"Name"_s, u"say \"hi\""_s);
    store.setValue(HKCU, kD7, RegValue::dword(u"Seven"_s, 7));
    store.setValue(HKCU, kD7, RegValue::dword(u"AllBits"_s, 0xffffffffu));
    store.setValue(HKCU, kD7, {u"Bin"_s, REG_BINARY, QByteArray("\x0a\xff", 2)});
    store.setValue(HKCU, kD7, {u"NoBytes"_s, REG_BINARY, {}});
    store.setValue(HKCU, kD7, RegValue::string(u"Exp"_s, u"%PATH%"_s, REG_EXPAND_SZ));
    set(u"\\Experts"_s, u"E"_s, u"x"_s);
    set(u"\\Experts\\Deeper"_s, u"D"_s, u"y"_s);
    EXPECT_EQ(backupDelphiRegistry(store),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\r\n"
              // Values come in the store's order, which sorts them as Wine does.
              "\"AllBits\"=\"-1\"\r\n\"Bin\"=\"0A FF \"\r\n\"Exp\"=\"\"\r\n\"NoBytes\"=\"\"\r\n"
              "\"Odd\\\\\\\"Name\"=\"say "
              "\\\"hi\\\"\"\r\n\"RootDir\"=\"C:\\\\Delphi7\\\\Bin\"\r\n\"Seven\"=\"7\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts]\r\n\"E\"=\"x\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts\\Deeper]\r\n\"D\"=\"y\"\r\n"
              // The trees that are missing are written as empty keys.
              "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Debugging\\7.0]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\r\n");

    store.createKey(HKCU, u"Software\\Borland\\Debugging\\7.0\\x"_s);
    store.createKey(HKLM, kD7);
    store.createKey(HKCU, u"Software\\Borland\\Delphi\\6.0"_s);
    clearDelphiRegistry(store);
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        EXPECT_FALSE(store.keyExists(t.root, t.path)) << t.path.toStdString();
    EXPECT_TRUE(store.keyExists(HKCU, u"Software\\Borland\\Delphi\\6.0"_s));
}

// ------------------------------------------------------------------ the preview of Apply

using Kind = RegistryChange::Kind;

// The registry as it was with the previewed changes made to it: a value removed or changed must
// have been there as the preview says, and a removed key must be left empty by the changes below it.
void replay(RegistryStore& s, const std::vector<RegistryChange>& changes)
{
    for (const RegistryChange& c : changes) {
        if (c.kind == Kind::KeyAdded)
            s.createKey(c.root, c.path);
    }
    for (const RegistryChange& c : changes) {
        if (c.oldValue) {
            EXPECT_EQ(s.value(c.root, c.path, c.oldValue->name), c.oldValue) << c.path.toStdString();
            s.deleteValue(c.root, c.path, c.oldValue->name);
        }
        if (c.newValue)
            s.setValue(c.root, c.path, *c.newValue);
    }
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) { // a key's subkeys come after it
        if (c->kind == Kind::KeyRemoved) {
            EXPECT_TRUE(s.valueNames(c->root, c->path).isEmpty()) << c->path.toStdString();
            EXPECT_TRUE(s.deleteKey(c->root, c->path)) << c->path.toStdString();
        }
    }
}

// The preview is every key and value Apply changes, read from the registry before and after: a
// change that Get Delphi does not read (the palette layout, RootDir) shows as well, and the
// changes made to the registry as it was give exactly what a real Apply leaves.
TEST_F(DelphiConfigTest, ThePreviewListsEveryChangeApplyWrites)
{
    ConfigProject project;
    readProject(IniFile(sb.sampleProject), project, macro,
                {&bridge, QDateTime(QDate(2026, 12, 6), QTime(9, 0)), {}});
    const QByteArray userReg = test::readAll(sb.prefix + u"/user.reg"_s);
    const QByteArray systemReg = test::readAll(sb.prefix + u"/system.reg"_s);
    const auto applied = [&](RegistryStore& s) { applyProject(s, project, macro, bridge); };
    const auto put = [](RegistryStore& s, RegRoot root, const QString& path, const RegValue& v) {
        s.createKey(root, path);
        s.setValue(root, path, v);
    };
    // A change as "group kind key|value|old data|new data".
    const auto described = [](const std::vector<RegistryChange>& changes) {
        QStringList out;
        for (const RegistryChange& c : changes)
            out << registryChangeGroupName(c.group) + u' ' + registryChangeKindName(c.kind) + u' ' +
                       c.keyName() + u'|' + c.valueName() + u'|' + c.oldData + u'|' + c.newData;
        return out;
    };
    const QString cu = u"HKEY_CURRENT_USER\\"_s + kD7,
                  lm = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0"_s;
    const struct
    {
        const char* name;
        std::function<void(RegistryStore&)> registry; // made from the sandbox's, in memory
        QString summary;
        QStringList among;
    } cases[] = {
        {"applied already", applied, u"Nothing would change."_s, {}},
        {"palette and another RootDir",
         [&](RegistryStore& s) {
             applied(s);
             put(s, HKCU, kD7 + u"\\Palette"_s, {u"Layout"_s, REG_BINARY, QByteArray::fromHex("0a0bff")});
             put(s, HKCU, kD7, RegValue::string(u"RootDir"_s, u"C:\\Delphi7\\"_s));
             put(s, HKLM, kD7, RegValue::string(u"RootDir"_s, u"C:\\Delphi7\\"_s));
         },
         u"Apply makes 4 other value changes."_s,
         {u"other value-changed "_s + cu + u"|RootDir|C:\\Delphi7\\|"_s + sb.delphiRoot,
          u"other value-removed "_s + cu + u"\\Palette|Layout|0A 0B FF|"_s}},
        {"no Delphi keys yet",
         [](RegistryStore& s) { clearDelphiRegistry(s); },
         u"Apply makes 3 expert changes, 6 package changes, 10 tool changes, 1 search path change and 5 "
         u"other value changes."_s,
         {u"experts key-added "_s + cu + u"\\Experts|||"_s,
          u"other value-added "_s + lm + u"|RootDir||"_s + sb.delphiRoot}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HiveRegistryStore preview(sb.prefix);
        c.registry(preview);
        const std::vector<RegistryChange> changes = previewApply(preview, project, macro, bridge);
        const QStringList all = described(changes);
        EXPECT_EQ(applyPreviewSummary(changes), c.summary) << all.join(u'\n').toStdString();
        for (const QString& e : c.among)
            EXPECT_TRUE(all.contains(e)) << e.toStdString() << "\n" << all.join(u'\n').toStdString();
        HiveRegistryStore real(sb.prefix), replayed(sb.prefix);
        c.registry(real);
        c.registry(replayed);
        replay(replayed, changes);
        applyProject(real, project, macro, bridge);
        EXPECT_EQ(test::registryContents(replayed), test::registryContents(real))
            << "the preview and what Apply wrote differ";
    }
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userReg) << "the preview writes nothing";
    EXPECT_EQ(test::readAll(sb.prefix + u"/system.reg"_s), systemReg);
}

} // namespace
