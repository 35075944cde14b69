#include "platform/PathBridge.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;
using vx::PathBridge;

namespace {

void makeFile(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

void makeLink(const QString& target, const QString& link)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

// Sets (or, for a null value, clears) an environment variable until the returned guard ends.
auto scopedEnv(const char* name, const QByteArray& value)
{
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray old = qgetenv(name);
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
    return qScopeGuard([=] { had ? qputenv(name, old) : qunsetenv(name); });
}

// A prefix as Wine lays it out: c: -> ../drive_c, z: -> /, and a Delphi installation whose
// directories are spelled differently from how the IDE writes them.
class PathBridgeTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        prefix = root + u"/prefix";
        driveC = prefix + u"/drive_c";
        delphi = driveC + u"/Program Files/Borland/Delphi7";
        makeFile(delphi + u"/Bin/Delphi32.exe");
        ASSERT_TRUE(QDir().mkpath(prefix + u"/dosdevices"));
        makeLink(u"../drive_c"_s, prefix + u"/dosdevices/c:");
        makeLink(u"/"_s, prefix + u"/dosdevices/z:");
    }

    QTemporaryDir tmp;
    QString root, prefix, driveC, delphi;
};

TEST_F(PathBridgeTest, ResolvesWindowsPathsIgnoringCaseAndSpelling)
{
    const PathBridge bridge(prefix);
    const QString exe = delphi + u"/Bin/Delphi32.exe";
    for (const QString& win : {u"c:/program files/borland/DELPHI7/Bin/Delphi32.exe"_s,
                               u"C:\\\\Program Files\\.\\Borland//Delphi7\\bin\\\\delphi32.exe"_s,
                               u"\\\\?\\C:\\Program Files\\Borland\\Delphi7\\Lib\\..\\Bin\\Delphi32.exe"_s})
        EXPECT_EQ(bridge.toHost(win), exe) << win.toStdString();
    EXPECT_EQ(bridge.toHost(u"C:\\"_s), driveC);
    EXPECT_EQ(bridge.toHost(u"z:\\tmp"_s), u"/tmp"_s);

    // ".." never climbs out of the drive.
    EXPECT_EQ(bridge.toHost(u"C:\\..\\..\\program files"_s), driveC + u"/Program Files");

    // The existing part is matched, the missing rest kept as written.
    EXPECT_EQ(bridge.toHost(u"c:\\PROGRAM FILES\\New Dir\\Sub\\x.DCU"_s),
              driveC + u"/Program Files/New Dir/Sub/x.DCU");

    // Case folding is Unicode-aware; the result follows the directory as it is now.
    ASSERT_TRUE(QDir().mkpath(driveC + u"/Ärger"));
    EXPECT_EQ(bridge.toHost(u"C:\\ärger"_s), driveC + u"/Ärger");
    ASSERT_TRUE(QDir().rename(driveC + u"/Ärger", driveC + u"/ÄRGER2"));
    EXPECT_EQ(bridge.toHost(u"C:\\ärger2"_s), driveC + u"/ÄRGER2");

    // Among case twins the exact name wins, else the first in sorted order.
    ASSERT_TRUE(QDir().mkpath(driveC + u"/lib") && QDir().mkpath(driveC + u"/Lib"));
    EXPECT_EQ(bridge.toHost(u"C:\\lib"_s), driveC + u"/lib");
    EXPECT_EQ(bridge.toHost(u"C:\\LIB"_s), driveC + u"/Lib");

    // Files and directories are told apart.
    EXPECT_TRUE(bridge.fileExists(u"C:\\Program Files\\Borland\\Delphi7\\bin\\delphi32.EXE"_s));
    EXPECT_FALSE(bridge.dirExists(u"C:\\Program Files\\Borland\\Delphi7\\bin\\delphi32.EXE"_s));
    EXPECT_FALSE(bridge.fileExists(u"c:\\program files\\borland\\delphi7\\bin"_s));
}

TEST_F(PathBridgeTest, RejectsUnmappedDrivesAndNonAbsolutePaths)
{
    makeLink(prefix + u"/nowhere", prefix + u"/dosdevices/e:");
    const PathBridge bridge(prefix);
    for (const QString& win : {u"D:\\x"_s, u"E:\\"_s, u"Program Files\\x"_s, u"\\Program Files"_s,
                               u"C:Program Files"_s, u"\\\\server\\share\\x"_s, u"1:\\x"_s, QString()})
        EXPECT_TRUE(bridge.toHost(win).isEmpty()) << win.toStdString();
}

TEST_F(PathBridgeTest, MapsHostPathsToTheDeepestDrive)
{
    const PathBridge bridge(prefix);
    EXPECT_EQ(bridge.toWindows(delphi + u"/Bin/Delphi32.exe"),
              u"C:\\Program Files\\Borland\\Delphi7\\Bin\\Delphi32.exe"_s);
    EXPECT_EQ(bridge.toWindows(driveC + u"/"), u"C:\\"_s);
    EXPECT_EQ(bridge.toWindows(u"/"_s), u"Z:\\"_s);
    EXPECT_EQ(bridge.toWindows(driveC + u"_old/x"),
              u"Z:" + QString(prefix + u"/drive_c_old/x").replace(u'/', u'\\'));

    EXPECT_EQ(bridge.toWindowsDir(driveC), u"C:\\"_s);

    // A drive nested inside another one takes the paths below it.
    makeLink(u"../drive_c/Program Files/Borland"_s, prefix + u"/dosdevices/b:");
    EXPECT_EQ(bridge.toWindows(delphi), u"B:\\Delphi7"_s);

    // Relative host paths count from the current directory.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(driveC));
    const QString relative = bridge.toWindows(u"Program Files/../x"_s);
    QDir::setCurrent(cwd);
    EXPECT_EQ(relative, u"C:\\x"_s);

    // Without a z: link the Windows side still writes host paths outside the drives through Z:.
    ASSERT_TRUE(QFile::remove(prefix + u"/dosdevices/z:"));
    EXPECT_EQ(bridge.toWindows(u"/opt/x"_s), u"Z:\\opt\\x"_s);
    EXPECT_TRUE(bridge.toHost(u"Z:\\opt"_s).isEmpty());
}

// A path that reaches a drive through a link is that drive's path: through the prefix's own
// dosdevices entry, or any link into the prefix; a link that leads elsewhere stays on Z:.
TEST_F(PathBridgeTest, PathsThroughLinksIntoADriveAreThatDrivesPaths)
{
    const PathBridge bridge(prefix);
    makeLink(delphi, root + u"/d7"_s);
    makeLink(u"/tmp"_s, root + u"/elsewhere"_s);
    // A drive link may be absolute and upper-case.
    const QString data = root + u"/data";
    ASSERT_TRUE(QDir().mkpath(data + u"/Units"));
    makeLink(data, prefix + u"/dosdevices/D:");
    EXPECT_EQ(bridge.toHost(u"d:\\units"_s), data + u"/Units");
    const struct
    {
        QString host;
        QString windows;
    } cases[] = {
        {prefix + u"/dosdevices/c:/Program Files/Borland/Delphi7/Bin/Delphi32.exe"_s,
         u"C:\\Program Files\\Borland\\Delphi7\\Bin\\Delphi32.exe"_s},
        {root + u"/d7/Bin"_s, u"C:\\Program Files\\Borland\\Delphi7\\Bin"_s},
        {data + u"/Units"_s, u"D:\\Units"_s},
        {root + u"/elsewhere/x"_s, u"Z:"_s + QString(root + u"/elsewhere/x"_s).replace(u'/', u'\\')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bridge.toWindows(c.host), c.windows) << c.host.toStdString();

    // A prefix reached through a link matches its drive roots both ways.
    const QString alias = root + u"/alias";
    makeLink(prefix, alias);
    const PathBridge aliased(alias);
    EXPECT_EQ(aliased.toWindows(driveC + u"/x"), u"C:\\x"_s);
    EXPECT_EQ(aliased.toHost(u"c:\\PROGRAM FILES"_s), alias + u"/drive_c/Program Files");
}

TEST_F(PathBridgeTest, PrefixWithoutDosdevicesHasOnlyCAndZ)
{
    ASSERT_TRUE(QDir(prefix + u"/dosdevices").removeRecursively());
    const PathBridge bridge(prefix);
    EXPECT_EQ(bridge.toHost(u"c:\\program files"_s), driveC + u"/Program Files");
    EXPECT_EQ(bridge.toHost(u"Z:\\tmp"_s), u"/tmp"_s);
    EXPECT_EQ(bridge.toWindowsDir(delphi), u"C:\\Program Files\\Borland\\Delphi7\\"_s);

    // No drive_c either (no prefix at all): everything goes through Z:.
    ASSERT_TRUE(QDir(driveC).removeRecursively());
    const PathBridge empty(root + u"/none");
    EXPECT_TRUE(empty.toHost(u"C:\\"_s).isEmpty());
    EXPECT_EQ(empty.toWindowsDir(driveC), u"Z:" + QString(driveC).replace(u'/', u'\\') + u'\\');
}

TEST_F(PathBridgeTest, DiscoversPrefixFromProgramDirectoryOrEnvironment)
{
    EXPECT_EQ(PathBridge::discoverPrefix(delphi + u"/Bin"), prefix);

    // system.reg alone marks a prefix too, and the nearest one wins.
    const QString inner = delphi + u"/Projects/inner";
    makeFile(inner + u"/system.reg");
    EXPECT_EQ(PathBridge::discoverPrefix(inner + u"/a/b/../b"), inner);

    const QString outside = root + u"/outside/app";
    ASSERT_TRUE(QDir().mkpath(outside));
    {
        const auto env = scopedEnv("WINEPREFIX", QByteArray("/opt/wine//pfx/./x/.."));
        EXPECT_EQ(PathBridge::discoverPrefix(outside), u"/opt/wine/pfx"_s);
        EXPECT_EQ(PathBridge::discoverPrefix(delphi), prefix);
    }
    {
        const auto env = scopedEnv("WINEPREFIX", QByteArray(""));
        const auto home = scopedEnv("HOME", QFile::encodeName(root + u"/home"));
        EXPECT_EQ(PathBridge::discoverPrefix(outside), root + u"/home/.wine");
    }
}

} // namespace
