// The hive store against the real Wine: Wine reads what we wrote and we read what Wine wrote.
// One prefix serves the whole suite; each test leaves it usable.

#include "platform/Errors.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/WineHive.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"
#include "support/WinePrefix.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::readAll;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;

using WineInterop = test::WinePrefixTest;

TEST_F(WineInterop, WeReadWhatWineWrote)
{
    const QString k = u"HKCU\\Software\\VxIn"_s;
    for (const QStringList& add :
         {QStringList{u"/v"_s, u"Gr\u00fc\u00df \"q\""_s, u"/t"_s, u"REG_SZ"_s, u"/d"_s,
                      u"a\\b \u00e9t\u00e9"_s},
          {u"/v"_s, u"Exp"_s, u"/t"_s, u"REG_EXPAND_SZ"_s, u"/d"_s, u"%WINDIR%\\x"_s},
          {u"/v"_s, u"Multi"_s, u"/t"_s, u"REG_MULTI_SZ"_s, u"/d"_s, u"one\\0two"_s},
          {u"/v"_s, u"Num"_s, u"/t"_s, u"REG_DWORD"_s, u"/d"_s, u"42"_s},
          {u"/v"_s, u"Q"_s, u"/t"_s, u"REG_QWORD"_s, u"/d"_s, u"0x1122334455667788"_s},
          {u"/v"_s, u"Bin"_s, u"/t"_s, u"REG_BINARY"_s, u"/d"_s, QString(200, u'a')}})
        ASSERT_TRUE(run(u"wine"_s, QStringList{u"reg"_s, u"add"_s, k} + add + QStringList{u"/f"_s}));
    ASSERT_TRUE(run(u"wine"_s, {u"reg"_s, u"add"_s, u"HKLM\\Software\\VxIn32"_s, u"/v"_s, u"RootDir"_s,
                                u"/d"_s, u"C:\\D7\\"_s, u"/f"_s, u"/reg:32"_s}));
    ASSERT_TRUE(stopServer());

    HiveRegistryStore store(prefix());
    const QString key = u"Software\\VxIn"_s;
    EXPECT_EQ(store.value(HKCU, key, u"gr\u00dc\u00df \"Q\""_s),
              RegValue::string(u"Gr\u00fc\u00df \"q\""_s, u"a\\b \u00e9t\u00e9"_s));
    EXPECT_EQ(store.value(HKCU, key, u"Exp"_s), RegValue::string(u"Exp"_s, u"%WINDIR%\\x"_s, REG_EXPAND_SZ));
    EXPECT_EQ(store.value(HKCU, key, u"Multi"_s), RegValue::multiString(u"Multi"_s, {u"one"_s, u"two"_s}));
    EXPECT_EQ(store.value(HKCU, key, u"Num"_s), RegValue::dword(u"Num"_s, 42));
    EXPECT_EQ(store.value(HKCU, key, u"Q"_s),
              (RegValue{u"Q"_s, REG_QWORD, QByteArray::fromHex("8877665544332211")}));
    EXPECT_EQ(store.value(HKCU, key, u"Bin"_s), (RegValue{u"Bin"_s, REG_BINARY, QByteArray(100, '\xaa')}));
    // The 32-bit view Wine wrote is the one we read.
    EXPECT_EQ(store.value(HKLM, u"SOFTWARE\\VxIn32"_s, u"RootDir"_s)->text(), u"C:\\D7\\"_s);
    EXPECT_TRUE(store.keyExists(HKLM, u"Software\\Wow6432Node\\VxIn32"_s));
}

// (That the rest of the hive stays as Wine reads it follows from its bytes staying as they were,
// WineHiveTest's.)
TEST_F(WineInterop, WineReadsWhatWeWrote)
{
    // Our writer reproduces Wine's own file, apart from the time stamps.
    const QByteArray system = readAll(prefix() + u"/system.reg"_s);
    const QByteArray rewritten = WineHive::parse(system, {}).save(WineHive::SaveMode::RewriteAll);
    static const QRegularExpression stamps(u"(\\n\\[[^\\n]*\\]) \\d+\\n#time=[0-9a-f]+\\n"_s);
    EXPECT_EQ(QString::fromLatin1(rewritten).replace(stamps, u"\\1\n"_s).toStdString(),
              QString::fromLatin1(system).replace(stamps, u"\\1\n"_s).toStdString());

    HiveRegistryStore store(prefix());
    const QString out = u"Software\\VxOut"_s;
    ASSERT_TRUE(store.createKey(HKCU, out));
    ASSERT_TRUE(store.createKey(HKLM, u"Software\\VxOut32"_s));
    store.setValue(HKCU, out, RegValue::string(u"Text"_s, u"say \"hi\" \\ 100%"_s));
    store.setValue(HKCU, out, RegValue::string(u"Exp"_s, u"%WINDIR%\\y"_s, REG_EXPAND_SZ));
    store.setValue(HKCU, out, RegValue::multiString(u"Multi"_s, {u"a"_s, u"b c"_s}));
    store.setValue(HKCU, out, RegValue::dword(u"Num"_s, 0x2a));
    store.setValue(HKCU, out, RegValue{u"Bin"_s, REG_BINARY, QByteArray::fromHex(QByteArray(300, 'c'))});
    store.setValue(HKLM, u"Software\\VxOut32"_s, RegValue::string(u"RootDir"_s, u"C:\\D7\\"_s));
    store.commit(); // one commit of both hives: Wine sees the changes of both

    const auto user = query(u"HKCU\\Software\\VxOut"_s, false);
    EXPECT_EQ(user.value(u"Text"_s), qMakePair(u"REG_SZ"_s, u"say \"hi\" \\ 100%"_s));
    EXPECT_EQ(user.value(u"Exp"_s), qMakePair(u"REG_EXPAND_SZ"_s, u"%WINDIR%\\y"_s));
    EXPECT_EQ(user.value(u"Multi"_s), qMakePair(u"REG_MULTI_SZ"_s, u"a\\0b c"_s));
    EXPECT_EQ(user.value(u"Num"_s), qMakePair(u"REG_DWORD"_s, u"0x2a"_s));
    EXPECT_EQ(user.value(u"Bin"_s), qMakePair(u"REG_BINARY"_s, QString(300, u'C')));
    EXPECT_EQ(query(u"HKLM\\Software\\VxOut32"_s, true).value(u"RootDir"_s),
              qMakePair(u"REG_SZ"_s, u"C:\\D7\\"_s));
    stopServer();
}

TEST_F(WineInterop, DetectsTheRealServer)
{
    HiveRegistryStore store(prefix());
    EXPECT_FALSE(store.serverRunning());
    ASSERT_TRUE(run(u"wineserver"_s, {u"-p"_s})); // a persistent server for the prefix
    EXPECT_TRUE(store.serverRunning());
    store.createKey(HKCU, u"Software\\VxServer"_s);
    EXPECT_TRUE(test::errorOf<OperationError>([&] {
                    store.commit();
                }).contains(u"WINEPREFIX=%1 wineserver -k"_s.arg(prefix())));
    ASSERT_TRUE(stopServer());
    store.commit(); // the server stopped: the store sees it
}

} // namespace
