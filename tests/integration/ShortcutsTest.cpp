// Shortcuts (Windows links where the shell folders are, freedesktop launchers beside them, a note
// where a folder is unknown) and the environment helpers (the IDE's system directory, registering
// the debugger library through Wine, the copy of the runtime files).

#include "integration/Shortcuts.h"
#include "fixtures/Sandbox.h"
#include "integration/DesktopIdentity.h"
#include "integration/EnvironmentHelpers.h"
#include "platform/CodePage.h"
#include "platform/Installation.h"
#include "platform/desktop/ShellLink.h"
#include "platform/registry/RegistryStore.h"
#include "support/FakeWine.h"
#include "support/TemporaryFiles.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

class ShortcutsTest : public ::testing::Test
{
  protected:
    QString users(const QString& rest) const { return sandbox.prefix + u"/drive_c/users/demo/"_s + rest; }

    QTemporaryDir dir;
    fixtures::Sandbox sandbox = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
    Installation inst = Installation::locate(sandbox.delphiHost);
    LauncherFolders launchers{dir.filePath(u"data/applications"_s), dir.filePath(u"home/Desktop"_s)};
    ShellFolders folders = readShellFolders(HiveRegistryStore(sandbox.prefix));
    DesktopIdentity id =
        desktopIdentity(sandbox.delphiHost + u"/Vorlix7"_s, inst, {}, dir.filePath(u"data"_s));
    const QList<ShortcutPlace> all{std::begin(kAllShortcutPlaces), std::end(kAllShortcutPlaces)};
};

TEST_F(ShortcutsTest, CreateWritesLinksAndLaunchersAndDeleteRemovesThem)
{
    const QString menu = users(u"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Delphi/Delphi7/"_s);
    const QString quick = users(u"AppData/Roaming/Microsoft/Internet Explorer/Quick Launch/"_s);
    const QStringList links{menu + u"Delphi7.lnk"_s,         users(u"Desktop/Delphi7.lnk"_s),
                            quick + u"Delphi7.lnk"_s,        menu + u"Vorlix7.lnk"_s,
                            users(u"Desktop/Vorlix7.lnk"_s), quick + u"Vorlix7.lnk"_s};
    const QStringList desktopFiles{
        launchers.applications + u"/vorlix7-delphi7.desktop"_s, launchers.desktop + u"/Delphi7.desktop"_s,
        launchers.applications + u"/vorlix7-program.desktop"_s, launchers.desktop + u"/Vorlix7.desktop"_s};
    for (int round = 0; round < 2; ++round) { // a second creation replaces the first
        const ShortcutReport r = createShortcuts(folders, inst, all, launchers, id);
        EXPECT_TRUE(r.skipped.isEmpty()) << r.skipped.join(u'\n').toStdString();
        EXPECT_EQ(r.written.size(), 10);
    }
    for (const QString& f : links + desktopFiles)
        EXPECT_TRUE(QFileInfo(f).isFile()) << f.toStdString();
    const QString r = inst.delphiRoot;
    EXPECT_EQ(test::readAll(links[1]),
              shellLinkBytes({r + u"bin\\Delphi32.exe"_s, r + u"bin"_s, {}}, ansiCodePage(), {}));
    EXPECT_EQ(test::readAll(links[4]), shellLinkBytes({r + u"Vorlix7"_s, r, {}}, ansiCodePage(), {}));
    const QString ide = QString::fromUtf8(test::readAll(desktopFiles[0]));
    EXPECT_TRUE(ide.contains(u"\nExec=env WINEPREFIX="_s + sandbox.prefix + u" wine \""_s))
        << ide.toStdString();
    EXPECT_TRUE(ide.contains(u"/Program Files/Borland/Delphi7/bin/Delphi32.exe\"\n"_s)) << ide.toStdString();
    EXPECT_TRUE(
        QString::fromUtf8(test::readAll(desktopFiles[2])).contains(sandbox.delphiHost + u"/Vorlix7"_s));
    EXPECT_TRUE(QFileInfo(desktopFiles[3]).isExecutable()) << "a desktop launcher must be trusted to run";
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-validate is not installed";
    QProcess p;
    p.start(validator, desktopFiles);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();

    EXPECT_EQ(deleteShortcuts(folders, inst, all, launchers, id).removed.size(), 10);
    for (const QString& f : links + desktopFiles)
        EXPECT_FALSE(QFileInfo::exists(f)) << f.toStdString();
    EXPECT_TRUE(QFileInfo(menu).isDir()) << "the Delphi menu folders stay";
}

// Launchers of two installations never replace each other, and none takes the installed
// program's own menu entry (vorlix7.desktop). An installed program passes each its folder.
TEST_F(ShortcutsTest, TwoInstallationsKeepTheirOwnLaunchersAndAnInstalledProgramPassesItsRoot)
{
    const fixtures::Sandbox other = fixtures::makeSandbox(dir.filePath(u"other"_s));
    const QString exe = dir.filePath(u"usr/bin/vorlix7"_s);
    test::writeAll(exe, "");
    test::writeAll(dir.filePath(u"usr/share/icons/hicolor/scalable/apps/vorlix7.svg"_s), "<svg/>");
    const QStringList known{sandbox.prefix, other.prefix};
    for (const fixtures::Sandbox& box : {sandbox, other}) {
        const Installation i = Installation::locate(box.delphiHost);
        const DesktopIdentity mine = desktopIdentity(exe, i, known, dir.filePath(u"data"_s));
        EXPECT_EQ(mine.programArguments, (QStringList{u"--root"_s, box.delphiHost}));
        EXPECT_EQ(mine.icon, u"vorlix7"_s) << "the installed theme icon";
        createShortcuts(readShellFolders(HiveRegistryStore(box.prefix)), i,
                        {ShortcutPlace::IdeMenu, ShortcutPlace::ProgramMenu}, launchers, mine);
    }
    EXPECT_EQ(QDir(launchers.applications).entryList(QDir::Files),
              (QStringList{u"vorlix7-delphi7-other.desktop"_s, u"vorlix7-delphi7-prefix.desktop"_s,
                           u"vorlix7-program-other.desktop"_s, u"vorlix7-program-prefix.desktop"_s}));
    const QString entry =
        QString::fromUtf8(test::readAll(launchers.applications + u"/vorlix7-program-other.desktop"_s));
    EXPECT_TRUE(entry.contains(u"\nName=Delphi 7 Vorlix (other)\n"_s)) << entry.toStdString();
    EXPECT_TRUE(entry.contains(u"\nExec="_s + exe + u" --root \""_s + other.delphiHost + u"\"\n"_s))
        << entry.toStdString();

    // Where the picture comes from, and what tells two prefixes of one folder name apart.
    EXPECT_EQ(id.icon, sandbox.delphiHost + u"/vorlix7.svg"_s) << "beside the program, written there";
    const auto tag = [&](const QString& prefix, const QStringList& others) {
        return desktopIdentity(exe, Installation::locate(sandbox.delphiHost, prefix), others, {}).tag;
    };
    EXPECT_EQ(tag(u"/h/.wine"_s, {u"/h/.wine"_s}), QString()) << "one installation: no tag";
    EXPECT_EQ(tag(u"/b/My Bottle"_s, {u"/h/.wine"_s}), u"My-Bottle"_s);
    EXPECT_TRUE(tag(u"/a/x"_s, {u"/b/x"_s}).startsWith(u"x-"_s));
    EXPECT_NE(tag(u"/a/x"_s, {u"/b/x"_s}), tag(u"/b/x"_s, {u"/a/x"_s}));
}

TEST_F(ShortcutsTest, UnknownOrMissingFoldersGiveNoLinkAndTheirReason)
{
    ShortcutReport r = createShortcuts(
        {}, inst, {ShortcutPlace::IdeDesktop, ShortcutPlace::ProgramQuickLaunch}, launchers, id);
    ASSERT_EQ(r.skipped.size(), 2);
    EXPECT_TRUE(r.skipped[0].startsWith(u"ide-desktop: "_s));
    EXPECT_TRUE(r.skipped[1].startsWith(u"program-quicklaunch: "_s));
    EXPECT_EQ(r.written, QStringList{launchers.desktop + u"/Delphi7.desktop"_s})
        << "the Linux launcher needs no Wine folder";
    ShellFolders gone = folders;
    gone.desktop = u"C:\\users\\nobody\\Desktop"_s;
    r = createShortcuts(gone, inst, {ShortcutPlace::ProgramDesktop}, launchers, id);
    ASSERT_EQ(r.skipped.size(), 1);
    EXPECT_TRUE(r.skipped[0].contains(u"C:\\users\\nobody\\Desktop\\Vorlix7.lnk"_s))
        << r.skipped[0].toStdString();
}

// Registering the debugger starts regsvr32 through Wine in the prefix. Files from the Linux desktop
// reach the IDE through the prefix's drive that holds them, else through Z:, never as host paths
// whose leading "/" the IDE would read as a switch.
TEST_F(ShortcutsTest, RegistrationAndTheIdeStartThroughWineInThePrefix)
{
    const QString folder = inst.delphiRoot + u"bin\\"_s; // as the folder button leaves it
    {
        test::FakeWine wine(true);
        const RegistrationResult r = registerDebugger(inst, folder);
        EXPECT_TRUE(r.success);
        EXPECT_EQ(r.message, u"register bordbk70.dll success"_s);
        EXPECT_EQ(wine.calls(), (QStringList{u"WINEPREFIX="_s + sandbox.prefix, u"regsvr32"_s, u"/s"_s,
                                             folder + u"\\bordbk70.dll"_s}));
    }
    {
        test::FakeWine none(false);
        const RegistrationResult r = registerDebugger(inst, folder);
        EXPECT_EQ(r.message, u"register bordbk70.dll fail"_s);
        EXPECT_TRUE(r.reason.contains(u"Wine"_s)) << r.reason.toStdString();
    }
    const RegistrationResult missing = registerDebugger(inst, u"C:\\nowhere"_s);
    EXPECT_EQ(missing.message, u"register bordbk70.dll fail"_s);
    EXPECT_TRUE(missing.reason.contains(u"C:\\nowhere\\bordbk70.dll"_s));

    const QString inPrefix = sandbox.prefix + u"/drive_c/Projects/my prj \u00fc.dpr"_s;
    const QString outside = dir.filePath(u"home/a.pas"_s);
    test::FakeWine wine(true);
    ASSERT_TRUE(startDelphi(inst, {inPrefix, outside}).started);
    EXPECT_EQ(wine.calls(), (QStringList{u"WINEPREFIX="_s + sandbox.prefix, inst.delphiExeHost(),
                                         u"C:\\Projects\\my prj \u00fc.dpr"_s,
                                         u"Z:"_s + QString(outside).replace(u'/', u'\\')}));
}

// The runtime files come from the system directory of the prefix's architecture.
TEST_F(ShortcutsTest, RuntimeCopyStopsAtTheFirstFailureAndNeverLeavesAPartialFile)
{
    QTemporaryDir win32;
    test::writeAll(win32.filePath(u"system.reg"_s),
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
    EXPECT_EQ(windowsSystemDirectory(win32.path()), u"C:\\windows\\system32"_s);
    EXPECT_EQ(runtimeCopyLabel(u"chinese"_s, u"S"_s, u"R\\"_s), u"从 <S> 复制文件到 <R\\Bin>."_s);
    ASSERT_EQ(windowsSystemDirectory(sandbox.prefix), u"C:\\windows\\syswow64"_s);
    const QString system = sandbox.prefix + u"/drive_c/windows/syswow64/"_s,
                  bin = sandbox.delphiHost + u"/bin/"_s;
    const QStringList names{u"adortl70.bpl"_s, u"AMERICAN.VTD"_s, u"bdertl70.bpl"_s,
                            u"CC3260MT.DLL"_s, u"CFX32.OCX"_s,    u"CTL3D32.DLL"_s};
    for (const QString& n : names) {
        if (n != u"CFX32.OCX"_s)
            test::writeAll(system + n, n.toUtf8());
    }
    test::writeAll(bin + u"CTL3D32.DLL"_s, "old");
    CopyResult r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 4);
    EXPECT_EQ(r.message, u"Copy file [C:\\windows\\syswow64\\CFX32.OCX] Error!"_s);
    EXPECT_EQ(test::readAll(bin + u"CC3260MT.DLL"_s), "CC3260MT.DLL");
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "old") << "files after the failure are not copied";

    test::writeAll(system + u"CFX32.OCX"_s, "ocx");
    test::makeReadOnly(bin + u"CTL3D32.DLL"_s);
    r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 5) << "a read-only target refuses the copy, as on Windows";
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "old");
    EXPECT_TRUE(test::temporaryFiles(bin).isEmpty());

    QFile::setPermissions(bin + u"CTL3D32.DLL"_s, QFile::ReadOwner | QFile::WriteOwner);
    r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 6);
    EXPECT_EQ(r.message, u"Done."_s);
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "CTL3D32.DLL");
}

using ShortcutsWineTest = test::WinePrefixTest;

// Wine's shell starts the program's links: the copied program beside the IDE, and an installed
// one outside the prefix, which gets the installation's folder. A script records how it started.
TEST_F(ShortcutsWineTest, WinesShellStartsTheProgramFromItsLink)
{
    const QString host = prefix() + u"/drive_c/D 7"_s, record = s_dir->filePath(u"started"_s);
    const QString installed = s_dir->filePath(u"usr/bin/vorlix7"_s);
    QDir().mkpath(host);
    for (const QString& program : QStringList{host + u"/Vorlix7"_s, installed}) {
        SCOPED_TRACE(program.toStdString());
        test::writeAll(program, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                                    record.toUtf8() + "'\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(record);
        const Installation inst = Installation::locate(host);
        const ShellFolders folders{{}, u"C:\\users\\Public\\Desktop"_s, {}};
        const ShortcutReport r =
            createShortcuts(folders, inst, {ShortcutPlace::ProgramDesktop},
                            {s_dir->filePath(u"applications"_s), s_dir->filePath(u"Desktop"_s)},
                            desktopIdentity(program, inst, {}, s_dir->filePath(u"data"_s)));
        ASSERT_TRUE(r.skipped.isEmpty()) << r.skipped.join(u'\n').toStdString();
        ASSERT_TRUE(run(u"wine"_s, {u"start"_s, u"/wait"_s, u"C:\\users\\Public\\Desktop\\Vorlix7.lnk"_s}))
            << "wine start refused the link";
        for (int i = 0; i < 100 && !QFileInfo::exists(record); ++i)
            QThread::msleep(50);
        const QString folder = QFileInfo(program).absolutePath();
        EXPECT_EQ(QString::fromUtf8(test::readAll(record)),
                  program == installed ? QString(folder + u"\n--root\n"_s + host + u'\n')
                                       : QString(folder + u'\n'));
    }
}

} // namespace
