// The default configuration: every table, in order and with its types, and what a failure or a
// disabled database engine leaves behind.

#include "delphireg/DefaultConfig.h"
#include "delphireg/RegistryAccess.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const DefaultConfigInputs kInputs{u"C:\\D7\\"_s, u"C:\\D7\\MSHelp"_s, true, u"C:\\Program Files\\Common Files\\Borland Shared\\BDE\\"_s};

// Each key of a tree, depth first, with its values in the store's order and their types.
void dump(const RegistryStore& store, RegRoot root, const QString& path, QString& out)
{
    if (!store.keyExists(root, path))
        return;
    out += u'[' + QString::number(int(root)) + u'\\' + path + u"]\n"_s;
    for (const QString& name : store.valueNames(root, path)) {
        const RegValue v = *store.value(root, path, name);
        out += u'"' + name + u"\"="_s +
               (v.type == REG_DWORD ? u"dword:"_s + QString::number(*v.number()) : u"sz:"_s + v.text()) + u'\n';
    }
    for (const QString& sub : store.subKeyNames(root, path))
        dump(store, root, path + u'\\' + sub, out);
}

QString dumpAll(const RegistryStore& store)
{
    QString out;
    for (const DelphiKeyTree& tree : DelphiKeyTrees())
        dump(store, tree.root, tree.path, out);
    dump(store, RegRoot::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\Help"_s, out);
    dump(store, RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s, out);
    dump(store, RegRoot::LocalMachine, u"Software\\Borland\\Database Engine"_s, out);
    return out;
}

TEST(DefaultConfig, EveryTableInOrderWithItsTypes)
{
    MemoryRegistryStore store(WineHive::Arch::Win64);
    store.createKey(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0\\Stale"_s);
    writeDefaultConfiguration(store, kInputs);
    QFile golden(QStringLiteral(VX_DELPHIREG_GOLDEN_DIR "/default-config.txt"));
    if (qEnvironmentVariableIsSet("VX_UPDATE_GOLDEN") && golden.open(QIODevice::WriteOnly)) {
        golden.write(dumpAll(store).toUtf8()); // after a deliberate change of the defaults
        golden.close();
    }
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(dumpAll(store), QString::fromUtf8(golden.readAll()));
    // The machine keys are the 32-bit IDE's.
    EXPECT_EQ(store.hivePath(RegRoot::LocalMachine, u"Software\\Borland\\Delphi\\7.0"_s)->join(u'\\'),
              u"Software\\Wow6432Node\\Borland\\Delphi\\7.0"_s);
}

TEST(DefaultConfig, LocalSharedRootDropsTheHelpFolderName)
{
    EXPECT_EQ(localSharedRoot(u"C:\\D7\\MSHelp"_s), u"C:\\D7"_s);
    EXPECT_EQ(localSharedRoot(u"C:\\D7\\MSHelp\\"_s), u"C:\\D7\\"_s);
    EXPECT_EQ(localSharedRoot(u"C:\\Help"_s), u"C:\\Help"_s); // eight characters: unchanged
    MemoryRegistryStore store;
    DefaultConfigInputs in = kInputs;
    in.sdkHelp = u"C:\\Help"_s;
    writeDefaultConfiguration(store, in);
    EXPECT_EQ(store.value(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0"_s, u"LocalSharedRoot"_s)->text(),
              u"C:\\Help"_s);
    EXPECT_EQ(store.value(RegRoot::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\Help"_s, u"win32sdk.hlp"_s)->text(),
              u"C:\\Help"_s);
}

TEST(DefaultConfig, DisabledDatabaseEngineKeepsItsKeysAsTheyWere)
{
    MemoryRegistryStore store;
    const QString engine = u"Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT"_s;
    store.createKey(RegRoot::LocalMachine, engine);
    store.setValue(RegRoot::LocalMachine, engine, RegValue::string(u"LANGDRIVER"_s, u"ascii"_s));
    DefaultConfigInputs in = kInputs;
    in.bde = false;
    writeDefaultConfiguration(store, in);
    EXPECT_EQ(store.valueNames(RegRoot::LocalMachine, engine), QStringList{u"LANGDRIVER"_s});
    EXPECT_EQ(store.value(RegRoot::LocalMachine, engine, u"LANGDRIVER"_s)->text(), u"ascii"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s));
}

// A store that refuses every write below HKEY_LOCAL_MACHINE, as a user without the rights sees it.
class NoMachineWrites final : public RegistryStore
{
public:
    MemoryRegistryStore inner;
    bool keyExists(RegRoot r, const QString& p) const override { return inner.keyExists(r, p); }
    bool createKey(RegRoot r, const QString& p) override { return r != RegRoot::LocalMachine && inner.createKey(r, p); }
    QStringList subKeyNames(RegRoot r, const QString& p) const override { return inner.subKeyNames(r, p); }
    QStringList valueNames(RegRoot r, const QString& p) const override { return inner.valueNames(r, p); }
    std::optional<RegValue> value(RegRoot r, const QString& p, const QString& n) const override
    {
        return inner.value(r, p, n);
    }
    bool setValue(RegRoot r, const QString& p, const RegValue& v) override
    {
        return r != RegRoot::LocalMachine && inner.setValue(r, p, v);
    }
    bool deleteValue(RegRoot r, const QString& p, const QString& n) override { return inner.deleteValue(r, p, n); }
    bool deleteKey(RegRoot r, const QString& p) override { return inner.deleteKey(r, p); }
    bool deleteTree(RegRoot r, const QString& p) override { return inner.deleteTree(r, p); }
    bool hasChanges() const override { return inner.hasChanges(); }
    void commit() override { inner.commit(); }
    void discardChanges() override { inner.discardChanges(); }
};

TEST(DefaultConfig, AFailedMachineWriteLeavesTheUserDefaultsAndTheTreesGone)
{
    NoMachineWrites store;
    store.inner.createKey(RegRoot::LocalMachine, u"Software\\Borland\\Delphi\\7.0\\Old"_s);
    try {
        writeDefaultConfiguration(store, kInputs);
        FAIL() << "the machine write should have failed";
    } catch (const OperationError& e) {
        EXPECT_EQ(e.message(), RegistryAccess::failedToSet(u"RootDir"_s));
    }
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\Delphi\\7.0"_s));
    EXPECT_EQ(store.value(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0\\Transfer"_s, u"Title3"_s)->text(),
              u"Ra&ve Designer"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\Database Engine"_s));
}

} // namespace
