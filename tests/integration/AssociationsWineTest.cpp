// Wine's own tools see the association rows where we write them: the 64-bit HKEY_CLASSES_ROOT
// that Wine's shell opens files through.

#include "integration/Associations.h"
#include "platform/registry/RegistryStore.h"
#include "support/WinePrefix.h"

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

using AssociationsWineTest = test::WinePrefixTest;

TEST_F(AssociationsWineTest, WinesShellSeesTheRows)
{
    {
        HiveRegistryStore store(prefix());
        const auto rows = associationRows({true, true, true}, u"C:\\Program Files\\Vx\\Vorlix7"_s, u"C:\\D 7\\"_s);
        ASSERT_TRUE(writeAssociationRows(store, rows).isEmpty());
        store.commit();
    }
    const auto defaultOf = [](const QString& key) {
        const auto values = query(key, false);
        return values.contains(u"(Default)"_s) ? values[u"(Default)"_s] : QPair<QString, QString>();
    };
    EXPECT_EQ(defaultOf(u"HKCR\\.vx7"_s), (QPair<QString, QString>{u"REG_SZ"_s, u"Delphi7 Vorlix"_s}));
    EXPECT_EQ(defaultOf(u"HKCR\\Delphi7 Vorlix\\shell\\open\\command"_s).second,
              u"\"C:\\Program Files\\Vx\\Vorlix7\" \"%1\""_s);
    EXPECT_EQ(defaultOf(u"HKCR\\.pas"_s).second, u"delphi32.exe"_s);
    EXPECT_EQ(defaultOf(u"HKCR\\delphi32.exe\\shell\\Open_With_Delphi7\\command"_s).second,
              u"\"C:\\D 7\\bin\\Delphi32.exe\" \"%1\""_s);
}

} // namespace
