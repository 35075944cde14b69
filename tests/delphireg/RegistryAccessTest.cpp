// The IDE's registry access (one root, one open key, errors naming the value) and the default
// configuration written through it.

#include "delphireg/RegistryAccess.h"
#include "delphireg/DefaultConfig.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;
const DefaultConfigInputs kInputs{u"C:\\D7\\"_s, u"C:\\D7\\MSHelp"_s, true, u"C:\\BDE\\"_s};

TEST(RegistryAccess, ReadsWritesPathsRootsAndTheOneOpenKey)
{
    MemoryRegistryStore store;
    RegistryAccess a(store);
    EXPECT_EQ(test::errorOf<OperationError>([&] { a.WriteString(u"RootDir"_s, u"x"_s); }),
              u"Failed to set data for 'RootDir'"_s)
        << "no key open";
    ASSERT_TRUE(a.OpenKey(u"K"_s, true));
    a.WriteString(u"Empty"_s, u""_s);
    EXPECT_TRUE(a.ValueExists(u"empty"_s)) << "an empty text is a value, not a missing one";
    a.WriteString(u"S"_s, u"C:\\D7\\"_s);
    a.WriteInteger(u"N"_s, -1);
    EXPECT_EQ(a.ReadString(u"s"_s), u"C:\\D7\\"_s);
    EXPECT_EQ(a.ReadInteger(u"N"_s), -1);
    EXPECT_EQ(test::errorOf<OperationError>([&] { a.ReadString(u"N"_s); }), u"Invalid data type for 'N'"_s);
    EXPECT_EQ(a.GetValueNames(), (QStringList{u"Empty"_s, u"N"_s, u"S"_s})) << "the store's (sorted) order";
    // A string stored with text after a NUL reads up to the NUL.
    store.setValue(HKCU, u"K"_s, {u"Z"_s, REG_SZ, QByteArray("a\0\0\0b\0\0\0", 8)});
    EXPECT_EQ(a.ReadString(u"Z"_s), u"a"_s);
    // A write the store refuses (here: its key was deleted under it) is an error, not lost silently.
    store.deleteTree(HKCU, u"K"_s);
    EXPECT_EQ(test::errorOf<OperationError>([&] { a.WriteInteger(u"N"_s, 1); }),
              u"Failed to set data for 'N'"_s);
    a.CloseKey();
    EXPECT_FALSE(a.OpenKeyReadOnly(u"Software\\Borland"_s));
    ASSERT_TRUE(a.OpenKey(kD7 + u"\\"_s, true));
    // A leading backslash starts from the root, whatever key is open; names ignore case.
    ASSERT_TRUE(a.OpenKey(u"\\SOFTWARE\\borland\\DELPHI"_s, false));
    // DeleteKey takes the whole tree, and the open key below it with it.
    EXPECT_TRUE(a.DeleteKey(u"\\Software\\Borland"_s));
    EXPECT_FALSE(a.hasCurrentKey());
    EXPECT_FALSE(store.keyExists(HKCU, u"Software\\Borland"_s));
    EXPECT_FALSE(a.DeleteKey(u"Software\\Borland"_s));
    DeleteKeyTree(store, HKLM, u"Nothing\\Here"_s); // silent
    ASSERT_TRUE(a.OpenKey(u"Software\\Borland"_s, true));
    a.SetRootKey(HKLM);
    EXPECT_FALSE(a.hasCurrentKey());
    EXPECT_FALSE(a.OpenKey(u"Software\\Borland"_s, false)) << "another root";
}

// The defaults replace the IDE's trees and put the folders given into the values that name them;
// the machine keys are the 32-bit IDE's, and a database engine left out keeps its keys.
TEST(DefaultConfig, ReplacesTheTreesAndNamesTheGivenFolders)
{
    MemoryRegistryStore store(WineHive::Arch::Win64);
    store.createKey(HKCU, kD7 + u"\\Stale"_s);
    writeDefaultConfiguration(store, kInputs);
    EXPECT_FALSE(store.keyExists(HKCU, kD7 + u"\\Stale"_s));
    // LocalSharedRoot is the help folder without its last seven characters, unless it has eight or fewer.
    EXPECT_EQ(localSharedRoot(u"C:\\D7\\MSHelp\\"_s), u"C:\\D7\\"_s);
    EXPECT_EQ(localSharedRoot(u"C:\\Help"_s), u"C:\\Help"_s);
    EXPECT_EQ(store.hivePath(HKLM, kD7)->join(u'\\'), u"Software\\Wow6432Node\\Borland\\Delphi\\7.0"_s);
    const struct
    {
        RegRoot root;
        QString key, name, text;
    } values[] = {
        {HKCU, kD7, u"App"_s, u"C:\\D7\\bin\\Delphi32.exe"_s},
        {HKLM, u"SOFTWARE\\Microsoft\\Windows\\Help"_s, u"win32sdk.hlp"_s, u"C:\\D7\\MSHelp"_s},
        {HKLM, u"Software\\Borland\\BLW32"_s, u"BLAPIPATH"_s, u"C:\\BDE\\"_s},
    };
    for (const auto& v : values) {
        const auto value = store.value(v.root, v.key, v.name);
        ASSERT_TRUE(value) << v.name.toStdString();
        EXPECT_EQ(value->text(), v.text) << v.name.toStdString();
    }

    // Without the database engine its keys stay as they were.
    MemoryRegistryStore kept;
    const QString engine = u"Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT"_s;
    kept.createKey(HKLM, engine);
    kept.setValue(HKLM, engine, RegValue::string(u"LANGDRIVER"_s, u"ascii"_s));
    DefaultConfigInputs in = kInputs;
    in.bde = false;
    writeDefaultConfiguration(kept, in);
    EXPECT_EQ(kept.valueNames(HKLM, engine), QStringList{u"LANGDRIVER"_s});
    EXPECT_EQ(kept.value(HKLM, engine, u"LANGDRIVER"_s)->text(), u"ascii"_s);
    EXPECT_FALSE(kept.keyExists(HKLM, u"Software\\Borland\\BLW32"_s));
}

} // namespace
