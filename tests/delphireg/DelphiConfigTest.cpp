#include "delphireg/DelphiConfig.h"
#include "delphireg/RegExport.h"
#include "delphireg/RegistryAccess.h"
#include "fixtures/Sandbox.h"
#include "platform/Errors.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"
#include "support/MemoryRegistryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;

class DelphiConfigTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s), {u"7.0"_s, u"7.0.4.453"_s, true, false});
    PathBridge bridge{sb.prefix};
    PathMacro macro{sb.delphiRoot};
    MemoryRegistryStore store;

    void set(const QString& key, const QString& name, const QString& data)
    {
        store.createKey(RegRoot::CurrentUser, key);
        store.setValue(RegRoot::CurrentUser, key, RegValue::string(name, data));
    }
    QString get(RegRoot root, const QString& key, const QString& name) const
    {
        const auto v = store.value(root, key, name);
        return v ? registryText(v->data) : u"<missing>"_s;
    }
};

TEST_F(DelphiConfigTest, CaptureTurnsTheIdeKeysIntoProjectRows)
{
    set(kD7 + u"\\Experts"_s, u"Code Tools"_s, u"c:\\PROGRAM FILES\\borland\\delphi7\\Experts\\CodeTools.dll"_s);
    set(kD7 + u"\\Experts"_s, u"Macro"_s, u"$(Delphi)\\Experts\\m.dll"_s);
    set(kD7 + u"\\Known Packages"_s, u"$(DELPHI)\\Bin\\dclstd70.bpl"_s, u"Standard"_s);
    set(kD7 + u"\\Known Packages"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin\\x.bpl"_s, u"X"_s);
    set(kD7 + u"\\Known Packages"_s, u"C:\\Program Files\\Other\\y.bpl"_s, u"Y"_s);
    set(kD7 + u"\\Known Packages"_s, u"bare.bpl"_s, u"Bare"_s);
    set(kD7 + u"\\Library"_s, u"Search Path"_s, u"$(DELPHI)\\Lib;C:\\Program Files\\Borland\\Delphi7\\Imports"_s);
    set(kD7 + u"\\Transfer"_s, u"Count"_s, u"2"_s);
    set(kD7 + u"\\Transfer"_s, u"Title0"_s, u"&Image Editor"_s);
    set(kD7 + u"\\Transfer"_s, u"Path0"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin\\imagedit.exe"_s);
    set(kD7 + u"\\Transfer"_s, u"WorkingDir0"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin"_s);
    set(kD7 + u"\\Transfer"_s, u"Params1"_s, u"$EDNAME"_s);

    ConfigProject p;
    EXPECT_EQ(captureDelphiConfig(store, p, macro), 4);
    ASSERT_EQ(p.experts().count(), 2);
    EXPECT_EQ(p.experts().entry(0).file, u"$(Delphi)\\Experts\\CodeTools.dll"_s);
    EXPECT_EQ(p.experts().entry(0).image, int(ImageInsideRoot));
    EXPECT_EQ(p.experts().entry(0).note, u"Code Tools"_s);
    EXPECT_EQ(p.experts().entry(1).image, int(ImageOutsideRoot)) << "already in macro form: not shortened";

    ASSERT_EQ(p.groupCount(), 2);
    EXPECT_EQ(p.groupName(0), u"Delphi7"_s);
    EXPECT_EQ(p.groupName(1), u"Other"_s);
    ASSERT_EQ(p.group(0).count(), 2);
    const ComponentEntry standard = p.group(0).entry(0);
    EXPECT_EQ(standard.file, u"$(DELPHI)\\Bin\\dclstd70.bpl"_s);
    EXPECT_EQ(standard.includePath, u"$(DELPHI)\\Bin"_s);
    EXPECT_EQ(standard.image, int(ImageInsideRoot));
    EXPECT_EQ(p.group(0).entry(1).file, u"$(Delphi)\\Bin\\x.bpl"_s);
    ASSERT_EQ(p.group(1).count(), 2);
    EXPECT_EQ(p.group(1).entry(0).name, u"Bare"_s);
    EXPECT_EQ(p.group(1).entry(0).includePath, u""_s);
    EXPECT_EQ(p.group(1).entry(1).includePath, u"C:\\Program Files\\Other"_s);

    EXPECT_EQ(p.searchPath().rows(), (QStringList{u"$(Delphi)\\Imports"_s, u"$(DELPHI)\\Lib"_s}));
    ASSERT_EQ(p.tools().count(), 2);
    EXPECT_EQ(p.tools().entry(0).program, u"$(Delphi)\\Bin\\imagedit.exe"_s);
    EXPECT_EQ(p.tools().entry(0).workingDir, u"$(Delphi)\\Bin"_s);
    EXPECT_TRUE(p.tools().entry(1).title.isEmpty());
    EXPECT_EQ(p.tools().entry(1).params, u"$EDNAME"_s);
    EXPECT_TRUE(p.tools().entry(1).selected);
}

TEST_F(DelphiConfigTest, CaptureOfEmptyAndDamagedKeys)
{
    store.createKey(RegRoot::CurrentUser, kD7 + u"\\Known Packages"_s);
    set(kD7 + u"\\Transfer"_s, u"Count"_s, u"0"_s);
    ConfigProject empty;
    EXPECT_EQ(captureDelphiConfig(store, empty, macro), 0);
    EXPECT_EQ(empty.groupCount(), 2) << "both groups exist even when empty";
    EXPECT_EQ(empty.tools().count(), 0);

    set(kD7 + u"\\Transfer"_s, u"Count"_s, u"2000000000"_s);
    set(kD7 + u"\\Transfer"_s, u"Title3"_s, u"t"_s);
    ConfigProject huge;
    captureDelphiConfig(store, huge, macro);
    EXPECT_EQ(huge.tools().count(), 4 + kCountSlack) << "a damaged count is cut near the entries present";

    set(kD7 + u"\\Transfer"_s, u"Count"_s, u"two"_s);
    set(kD7 + u"\\Experts"_s, u"E"_s, u"C:\\e.dll"_s);
    ConfigProject bad;
    try {
        captureDelphiConfig(store, bad, macro);
        FAIL() << "no error";
    } catch (const OperationError& e) {
        EXPECT_EQ(e.message(), u"'two' is not a valid integer value"_s);
    }
    EXPECT_EQ(bad.experts().count(), 1) << "rows before the error stay";

    store.setValue(RegRoot::CurrentUser, kD7 + u"\\Library"_s, RegValue::dword(u"Search Path"_s, 1));
    ConfigProject typed;
    EXPECT_THROW(captureDelphiConfig(store, typed, macro), OperationError);
}

TEST_F(DelphiConfigTest, ApplyWritesTheSelectionOnly)
{
    set(kD7 + u"\\Experts"_s, u"Stale"_s, u"C:\\old.dll"_s);
    set(kD7 + u"\\Palette"_s, u"Layout"_s, u"x"_s);
    set(kD7 + u"\\Library"_s, u"Browsing Path"_s, u"keep"_s);
    set(kD7 + u"\\Transfer"_s, u"Count"_s, u"9"_s);

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
    EXPECT_EQ(store.valueNames(RegRoot::CurrentUser, kD7 + u"\\Experts"_s), (QStringList{u"Code"_s}));
    EXPECT_EQ(get(RegRoot::CurrentUser, kD7 + u"\\Experts"_s, u"Code"_s), root + u"Experts\\FormPlus.dll"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::CurrentUser, kD7 + u"\\Palette"_s));
    EXPECT_EQ(store.valueNames(RegRoot::CurrentUser, kD7 + u"\\Known Packages"_s),
              (QStringList{u"$(Delphi)\\bin\\dclstd70.bpl"_s}));
    EXPECT_EQ(get(RegRoot::CurrentUser, kD7 + u"\\Known Packages"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s), u"Std"_s);
    // Rows in list order: "", "$(Delphi)\Lib", "C:\A" ("c:\a" is the same text); then the checked
    // packages' include paths that are new. The last collected text is not empty, no trailing ";".
    EXPECT_EQ(get(RegRoot::CurrentUser, kD7 + u"\\Library"_s, u"Search Path"_s),
              appliedSearchPath(p));
    EXPECT_FALSE(appliedSearchPath(p).contains(u"NotMe"_s));
    EXPECT_TRUE(appliedSearchPath(p).endsWith(u";C:\\Inc"_s));
    EXPECT_EQ(appliedSearchPath(p).count(u"Lib"_s), 1);
    EXPECT_EQ(get(RegRoot::CurrentUser, kD7 + u"\\Library"_s, u"Browsing Path"_s), u"keep"_s);
    const QString t = kD7 + u"\\Transfer"_s;
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"Count"_s), u"2"_s);
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"Title0"_s), u"Tool A"_s);
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"WorkingDir0"_s), root);
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"Title1"_s), u"Tool B"_s) << "tools are written without a file check";
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"WorkingDir1"_s), root + u"Bin"_s);
    EXPECT_EQ(get(RegRoot::CurrentUser, t, u"Title2"_s), u"<missing>"_s);
    EXPECT_EQ(get(RegRoot::CurrentUser, kD7, u"RootDir"_s), root);
    EXPECT_EQ(get(RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s, u"RootDir"_s), root);
}

TEST_F(DelphiConfigTest, SearchPathJoinKeepsTheSeparatorBeforeAnEmptyLastText)
{
    ConfigProject p;
    ComponentListModel& g = p.addGroup(u"G"_s);
    p.searchPath().addPaths({u"B"_s, u"A"_s});
    g.add({u"x"_s, u"f"_s, u""_s, {}, true});
    EXPECT_EQ(appliedSearchPath(p), u"A;B;"_s);
}

TEST_F(DelphiConfigTest, BackupWritesTheExactExportAndClearRemovesTheTrees)
{
    MemoryRegistryStore empty;
    EXPECT_EQ(backupDelphiRegistry(empty),
              QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\r\n"
                         "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Debugging\\7.0]\r\n"
                         "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\r\n"));

    set(kD7, u"RootDir"_s, u"C:\\Delphi7\\Bin"_s);
    set(kD7, u"Odd\\\"Name"_s, u"say \"hi\""_s);
    store.setValue(RegRoot::CurrentUser, kD7, RegValue::dword(u"Seven"_s, 7));
    store.setValue(RegRoot::CurrentUser, kD7, RegValue::dword(u"AllBits"_s, 0xffffffffu));
    store.setValue(RegRoot::CurrentUser, kD7, {u"Bin"_s, REG_BINARY, QByteArray("\x0a\xff", 2)});
    store.setValue(RegRoot::CurrentUser, kD7, {u"NoBytes"_s, REG_BINARY, {}});
    store.setValue(RegRoot::CurrentUser, kD7, RegValue::string(u"Exp"_s, u"%PATH%"_s, REG_EXPAND_SZ));
    set(kD7 + u"\\Experts"_s, u"E"_s, u"x"_s);
    set(kD7 + u"\\Experts\\Deeper"_s, u"D"_s, u"y"_s);
    EXPECT_EQ(backupDelphiRegistry(store),
              QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\r\n"
                         // Values come in the store's order, which sorts them as Wine does.
                         "\"AllBits\"=\"-1\"\r\n"
                         "\"Bin\"=\"0A FF \"\r\n"
                         "\"Exp\"=\"\"\r\n"
                         "\"NoBytes\"=\"\"\r\n"
                         "\"Odd\\\\\\\"Name\"=\"say \\\"hi\\\"\"\r\n"
                         "\"RootDir\"=\"C:\\\\Delphi7\\\\Bin\"\r\n"
                         "\"Seven\"=\"7\"\r\n"
                         "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts]\r\n"
                         "\"E\"=\"x\"\r\n"
                         "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts\\Deeper]\r\n"
                         "\"D\"=\"y\"\r\n"
                         "\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Debugging\\7.0]\r\n"
                         "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0]\r\n"));

    store.createKey(RegRoot::CurrentUser, u"Software\\Borland\\Debugging\\7.0\\x"_s);
    store.createKey(RegRoot::LocalMachine, u"Software\\Borland\\Delphi\\7.0"_s);
    store.createKey(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\6.0"_s);
    clearDelphiRegistry(store);
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        EXPECT_FALSE(store.keyExists(t.root, t.path)) << t.path.toStdString();
    EXPECT_TRUE(store.keyExists(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\6.0"_s));
}

} // namespace
