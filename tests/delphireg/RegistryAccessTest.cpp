#include "delphireg/RegistryAccess.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const OperationError& e) {
        return e.message();
    }
    return {};
}

TEST(RegistryAccess, PathsOpensAndTheOneOpenKey)
{
    MemoryRegistryStore store;
    RegistryAccess a(store);
    EXPECT_EQ(a.rootKey(), RegRoot::CurrentUser);
    EXPECT_FALSE(a.OpenKey(u"Software\\Borland\\Delphi\\7.0"_s, false));
    EXPECT_FALSE(a.OpenKeyReadOnly(u"Software\\Borland"_s));
    ASSERT_TRUE(a.OpenKey(u"Software\\Borland\\Delphi\\7.0\\"_s, true));
    EXPECT_EQ(a.CurrentPath(), u"Software\\Borland\\Delphi\\7.0"_s);
    // Relative to the open key; a leading backslash starts from the root.
    ASSERT_TRUE(a.OpenKey(u"Experts"_s, true));
    EXPECT_EQ(a.CurrentPath(), u"Software\\Borland\\Delphi\\7.0\\Experts"_s);
    ASSERT_TRUE(a.OpenKey(u"\\SOFTWARE\\borland"_s, false));
    EXPECT_TRUE(store.keyExists(RegRoot::CurrentUser, u"software\\BORLAND\\delphi\\7.0\\experts"_s));
    // A failed open keeps the open key.
    EXPECT_FALSE(a.OpenKey(u"Missing"_s, false));
    EXPECT_TRUE(a.hasCurrentKey());
    EXPECT_TRUE(a.OpenKey(u"\\Software\\Borland\\Delphi"_s, false));

    a.SetRootKey(RegRoot::LocalMachine);
    EXPECT_FALSE(a.hasCurrentKey());
    EXPECT_FALSE(a.OpenKey(u"Software\\Borland\\Delphi"_s, false)) << "another root";
}

TEST(RegistryAccess, ReadsAndWritesWithTheirErrors)
{
    MemoryRegistryStore store;
    RegistryAccess a(store);
    EXPECT_EQ(errorOf([&] { a.WriteString(u"RootDir"_s, u"x"_s); }), u"Failed to set data for 'RootDir'"_s)
        << "no key open";
    ASSERT_TRUE(a.OpenKey(u"K"_s, true));
    a.WriteString(u"Empty"_s, u""_s);
    EXPECT_TRUE(a.ValueExists(u"empty"_s)) << "an empty text is a value, not a missing one";
    EXPECT_EQ(a.GetDataSize(u"Empty"_s), 2);
    a.WriteString(u"S"_s, u"C:\\D7\\"_s);
    a.WriteInteger(u"N"_s, -1);
    EXPECT_EQ(a.ReadString(u"s"_s), u"C:\\D7\\"_s);
    EXPECT_EQ(a.ReadString(u"Missing"_s), u""_s);
    EXPECT_EQ(a.ReadInteger(u"N"_s), -1);
    EXPECT_EQ(errorOf([&] { a.ReadString(u"N"_s); }), u"Invalid data type for 'N'"_s);
    EXPECT_EQ(errorOf([&] { a.ReadInteger(u"S"_s); }), u"Invalid data type for 'S'"_s);
    EXPECT_EQ(errorOf([&] { a.ReadInteger(u"Missing"_s); }), u"Failed to get data for 'Missing'"_s);
    EXPECT_EQ(a.GetDataType(u"N"_s), RegistryAccess::DataType::Integer);
    EXPECT_EQ(a.GetDataType(u"Missing"_s), RegistryAccess::DataType::Unknown);
    EXPECT_EQ(a.GetDataSize(u"Missing"_s), -1);
    EXPECT_EQ(a.GetValueNames(), (QStringList{u"Empty"_s, u"N"_s, u"S"_s})) << "the store's (sorted) order";
    // A string stored with text after a NUL reads up to the NUL.
    store.setValue(RegRoot::CurrentUser, u"K"_s, {u"Z"_s, REG_SZ, QByteArray("a\0\0\0b\0\0\0", 8)});
    EXPECT_EQ(a.ReadString(u"Z"_s), u"a"_s);
}

TEST(RegistryAccess, DeleteKeyTakesTheWholeTree)
{
    MemoryRegistryStore store;
    store.createKey(RegRoot::CurrentUser, u"A\\B\\C\\D"_s);
    store.createKey(RegRoot::CurrentUser, u"A\\B\\E"_s);
    store.setValue(RegRoot::CurrentUser, u"A\\B\\C"_s, RegValue::string(u"v"_s, u"x"_s));
    RegistryAccess a(store);
    ASSERT_TRUE(a.OpenKey(u"A\\B\\C"_s, false));
    EXPECT_TRUE(a.DeleteKey(u"\\A\\B"_s));
    EXPECT_FALSE(a.hasCurrentKey()) << "the open key went with its tree";
    EXPECT_FALSE(store.keyExists(RegRoot::CurrentUser, u"A\\B"_s));
    EXPECT_TRUE(store.keyExists(RegRoot::CurrentUser, u"A"_s));
    EXPECT_FALSE(a.DeleteKey(u"A\\B"_s));
    DeleteKeyTree(store, RegRoot::LocalMachine, u"Nothing\\Here"_s); // silent

    RegistrySectionReader reader(store, u"Software\\Base"_s);
    EXPECT_TRUE(store.keyExists(RegRoot::CurrentUser, u"Software\\Base"_s));
    store.createKey(RegRoot::CurrentUser, u"Software\\Base\\Sec"_s);
    store.setValue(RegRoot::CurrentUser, u"Software\\Base\\Sec"_s, RegValue::string(u"n"_s, u"v"_s));
    EXPECT_EQ(reader.read(u"Sec"_s, u"n"_s, u"d"_s), u"v"_s);
    EXPECT_EQ(reader.read(u"Sec"_s, u"m"_s, u"d"_s), u"d"_s);
    EXPECT_EQ(reader.read(u"None"_s, u"n"_s, u"d"_s), u"d"_s);
}

} // namespace
