// Shortcuts: Windows links where the shell folders are, freedesktop launchers beside them, and
// nothing but a note where a folder is unknown.

#include "fixtures/Sandbox.h"
#include "integration/Shortcuts.h"
#include "platform/CodePage.h"
#include "platform/Installation.h"
#include "platform/registry/RegistryStore.h"
#include "platform/desktop/ShellLink.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

class ShortcutsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sandbox = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
        inst = Installation::locate(sandbox.delphiHost);
        launchers = {dir.filePath(u"data/applications"_s), dir.filePath(u"home/Desktop"_s)};
        folders = readShellFolders(HiveRegistryStore(sandbox.prefix));
    }
    QString users(const QString& rest) const { return sandbox.prefix + u"/drive_c/users/demo/"_s + rest; }

    QTemporaryDir dir;
    fixtures::Sandbox sandbox;
    Installation inst;
    LauncherFolders launchers;
    ShellFolders folders;
    const QList<ShortcutPlace> all{std::begin(kAllShortcutPlaces), std::end(kAllShortcutPlaces)};
};

TEST_F(ShortcutsTest, CreateWritesLinksAndLaunchersAndDeleteRemovesThem)
{
    const QString menu = users(u"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Delphi/Delphi7/"_s);
    const QString quick = users(u"AppData/Roaming/Microsoft/Internet Explorer/Quick Launch/"_s);
    const QStringList links{menu + u"Delphi7.lnk"_s,  users(u"Desktop/Delphi7.lnk"_s), quick + u"Delphi7.lnk"_s,
                            menu + u"Vorlix7.lnk"_s,  users(u"Desktop/Vorlix7.lnk"_s), quick + u"Vorlix7.lnk"_s};
    const QStringList desktopFiles{launchers.applications + u"/vorlix7-delphi7.desktop"_s,
                                   launchers.desktop + u"/Delphi7.desktop"_s,
                                   launchers.applications + u"/vorlix7.desktop"_s,
                                   launchers.desktop + u"/Vorlix7.desktop"_s};
    for (int round = 0; round < 2; ++round) { // a second creation replaces the first
        const ShortcutReport r = createShortcuts(folders, inst, all, launchers);
        EXPECT_TRUE(r.skipped.isEmpty()) << r.skipped.join(u'\n').toStdString();
        EXPECT_EQ(r.written.size(), 10);
    }
    for (const QString& f : links + desktopFiles)
        EXPECT_TRUE(QFileInfo(f).isFile()) << f.toStdString();
    const QString r = inst.delphiRoot;
    EXPECT_EQ(test::readAll(links[1]), shellLinkBytes({r + u"bin\\Delphi32.exe"_s, r + u"bin"_s, {}}, ansiCodePage(), {}));
    EXPECT_EQ(test::readAll(links[4]), shellLinkBytes({r + u"Vorlix7.exe"_s, r, {}}, ansiCodePage(), {}));

    const QString ide = QString::fromUtf8(test::readAll(desktopFiles[0]));
    EXPECT_TRUE(ide.contains(u"\nExec=env WINEPREFIX="_s + sandbox.prefix + u" wine \""_s)) << ide.toStdString();
    EXPECT_TRUE(ide.contains(u"/Program Files/Borland/Delphi7/bin/Delphi32.exe\"\n"_s)) << ide.toStdString();
    EXPECT_TRUE(QString::fromUtf8(test::readAll(desktopFiles[2])).contains(sandbox.delphiHost + u"/Vorlix7"_s));
    EXPECT_TRUE(QFileInfo(desktopFiles[3]).isExecutable()) << "a desktop launcher must be trusted to run";
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-validate is not installed";
    QProcess p;
    p.start(validator, desktopFiles);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();

    const ShortcutReport removed = deleteShortcuts(folders, inst, all, launchers);
    EXPECT_EQ(removed.removed.size(), 10);
    for (const QString& f : links + desktopFiles)
        EXPECT_FALSE(QFileInfo::exists(f)) << f.toStdString();
    EXPECT_TRUE(QFileInfo(menu).isDir()) << "the Delphi menu folders stay";
    EXPECT_TRUE(deleteShortcuts(folders, inst, all, launchers).removed.isEmpty());
}

TEST_F(ShortcutsTest, UnknownOrMissingFoldersGiveNoLinkAndTheirReason)
{
    ShellFolders none;
    ShortcutReport r = createShortcuts(none, inst, {ShortcutPlace::IdeDesktop, ShortcutPlace::ProgramQuickLaunch}, launchers);
    ASSERT_EQ(r.skipped.size(), 2);
    EXPECT_TRUE(r.skipped[0].startsWith(u"ide-desktop: "_s));
    EXPECT_TRUE(r.skipped[1].startsWith(u"program-quicklaunch: "_s));
    EXPECT_EQ(r.written, QStringList{launchers.desktop + u"/Delphi7.desktop"_s}) << "the Linux launcher needs no Wine folder";

    ShellFolders gone = folders;
    gone.desktop = u"C:\\users\\nobody\\Desktop"_s;
    r = createShortcuts(gone, inst, {ShortcutPlace::ProgramDesktop}, launchers);
    ASSERT_EQ(r.skipped.size(), 1);
    EXPECT_TRUE(r.skipped[0].contains(u"C:\\users\\nobody\\Desktop\\Vorlix7.lnk"_s)) << r.skipped[0].toStdString();
    EXPECT_TRUE(createShortcuts(folders, inst, {}, launchers).written.isEmpty());
}

TEST(ShortcutPlaces, NamesRoundTrip)
{
    for (const ShortcutPlace p : kAllShortcutPlaces)
        EXPECT_EQ(placeFromName(placeName(p)), p);
    EXPECT_FALSE(placeFromName(u"menu"_s).has_value());
}

} // namespace
