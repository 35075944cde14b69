#include "integration/Shortcuts.h"

#include "integration/DesktopIdentity.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/ShellLink.h"
#include "platform/desktop/XdgDirs.h"
#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vx::integration {

namespace {

struct PlaceInfo
{
    ShortcutPlace place;
    const char16_t* name;
    bool ide;
    enum Where { Menu, Desktop, QuickLaunch } where;
};

constexpr PlaceInfo kPlaces[] = {
    {ShortcutPlace::IdeMenu, u"ide-menu", true, PlaceInfo::Menu},
    {ShortcutPlace::IdeDesktop, u"ide-desktop", true, PlaceInfo::Desktop},
    {ShortcutPlace::IdeQuickLaunch, u"ide-quicklaunch", true, PlaceInfo::QuickLaunch},
    {ShortcutPlace::ProgramMenu, u"program-menu", false, PlaceInfo::Menu},
    {ShortcutPlace::ProgramDesktop, u"program-desktop", false, PlaceInfo::Desktop},
    {ShortcutPlace::ProgramQuickLaunch, u"program-quicklaunch", false, PlaceInfo::QuickLaunch},
};

const PlaceInfo& info(ShortcutPlace place)
{
    return kPlaces[int(place)];
}

// The ".lnk" of a place in Windows form, empty when its folder is unknown.
QString linkPath(const PlaceInfo& p, const ShellFolders& f)
{
    const QString file = p.ide ? u"Delphi7.lnk"_s : u"Vorlix7.lnk"_s;
    switch (p.where) {
    case PlaceInfo::Menu:
        return f.programs.isEmpty() ? QString() : f.programs + u"\\delphi\\delphi7\\"_s + file;
    case PlaceInfo::Desktop:
        return f.desktop.isEmpty() ? QString() : f.desktop + u'\\' + file;
    case PlaceInfo::QuickLaunch:
        return f.quickLaunch().isEmpty() ? QString() : f.quickLaunch() + u'\\' + file;
    }
    return {};
}

// The launcher of a menu or desktop place; empty for the quick-launch bar, which Linux lacks. The
// program's menu launcher is not "vorlix7.desktop", the installed program's own menu entry, which
// it would hide.
QString launcherPath(const PlaceInfo& p, const LauncherFolders& l, const DesktopIdentity& id)
{
    switch (p.where) {
    case PlaceInfo::Menu:
        return l.applications + u'/' + id.launcherName(p.ide ? u"vorlix7-delphi7" : u"vorlix7-program");
    case PlaceInfo::Desktop:
        return l.desktop + u'/' + id.launcherName(p.ide ? u"Delphi7" : u"Vorlix7");
    case PlaceInfo::QuickLaunch:
        return {};
    }
    return {};
}

// A Windows command line's argument: quoted when it holds a blank.
QString windowsArgument(const QString& a)
{
    return a.contains(u' ') || a.isEmpty() ? u'"' + a + u'"' : a;
}

ShellLinkData linkTarget(bool ide, const Installation& inst, const DesktopIdentity& id)
{
    const QString& r = inst.delphiRoot;
    if (ide)
        return {r + u"bin\\Delphi32.exe"_s, r + u"bin"_s, {}};
    // The program is a Linux executable (beside the IDE, or installed); Wine starts it from a link
    // as it starts a Windows program.
    QStringList arguments;
    for (const QString& a : id.programArguments)
        arguments << windowsArgument(a);
    return {inst.bridge.toWindows(id.program), inst.bridge.toWindowsDir(QFileInfo(id.program).absolutePath()),
            arguments.join(u' ')};
}

DesktopEntry launcher(bool ide, const Installation& inst, const DesktopIdentity& id)
{
    DesktopEntry e;
    e.icon = id.icon;
    if (ide) {
        e.name = id.displayName(u"Delphi 7"_s);
        e.comment = u"Borland Delphi 7 under Wine"_s;
        e.exec = {u"env"_s, u"WINEPREFIX="_s + inst.prefix(), u"wine"_s, inst.delphiExeHost()};
        e.workingDir = QFileInfo(inst.delphiExeHost()).absolutePath();
        e.categories = {u"Development"_s, u"IDE"_s};
    } else {
        e.name = id.displayName(u"Delphi 7 Vorlix"_s);
        e.comment = u"Configuration manager for Delphi 7"_s;
        e.exec = id.exec();
        e.workingDir = QFileInfo(id.program).absolutePath();
        e.categories = {u"Development"_s};
    }
    return e;
}

void makeFolder(const Installation& inst, const QString& windowsDir)
{
    const QString host = inst.bridge.toHost(windowsDir);
    if (!host.isEmpty())
        QDir().mkdir(host); // one level; an existing folder or a failure is no error
}

} // namespace

QString placeName(ShortcutPlace place)
{
    return QString::fromUtf16(info(place).name);
}

std::optional<ShortcutPlace> placeFromName(const QString& name)
{
    for (const PlaceInfo& p : kPlaces) {
        if (name == QStringView(p.name))
            return p.place;
    }
    return std::nullopt;
}

QString ShellFolders::quickLaunch() const
{
    return appData.isEmpty() ? QString() : appData + u"\\Microsoft\\Internet Explorer\\Quick Launch"_s;
}

ShellFolders readShellFolders(const RegistryStore& store)
{
    const QString key = u"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"_s;
    const auto read = [&](const QString& name) {
        const std::optional<RegValue> v = store.value(RegRoot::CurrentUser, key, name);
        return v ? v->text() : QString();
    };
    return {read(u"Programs"_s), read(u"Desktop"_s), read(u"AppData"_s)};
}

LauncherFolders LauncherFolders::forCurrentUser()
{
    LauncherFolders l;
    l.applications = xdgDataHome() + u"/applications"_s;
    // Qt reads the desktop folder from user-dirs.dirs, as xdg-user-dir does.
    l.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (l.desktop.isEmpty())
        l.desktop = QDir::homePath() + u"/Desktop"_s;
    return l;
}

ShortcutReport createShortcuts(const ShellFolders& folders, const Installation& inst,
                               const QList<ShortcutPlace>& places, const LauncherFolders& launchers,
                               const DesktopIdentity& id)
{
    ShortcutReport report;
    for (const ShortcutPlace place : places) {
        const PlaceInfo& p = info(place);
        const QString name = placeName(place);
        if (p.where == PlaceInfo::Menu && !folders.programs.isEmpty()) {
            makeFolder(inst, folders.programs + u"\\Delphi"_s);
            makeFolder(inst, folders.programs + u"\\Delphi\\Delphi7"_s);
        }
        const QString link = linkPath(p, folders);
        const QString linkHost = link.isEmpty() ? QString() : inst.bridge.toHost(link);
        if (link.isEmpty()) {
            report.skipped << name + u": the registry names no folder for it (Shell Folders)"_s;
        } else if (linkHost.isEmpty() || !QFileInfo(QFileInfo(linkHost).absolutePath()).isDir()) {
            report.skipped << name + u": the folder of "_s + link + u" does not exist"_s;
        } else {
            try {
                writeShellLink(linkHost, linkTarget(p.ide, inst, id));
                report.written << linkHost;
            } catch (const OperationError& e) {
                report.skipped << name + u": "_s + e.message();
            }
        }
        const QString desktopFile = launcherPath(p, launchers, id);
        if (desktopFile.isEmpty())
            continue;
        try {
            if (!QDir().mkpath(QFileInfo(desktopFile).absolutePath()))
                throw FileWriteError(desktopFile);
            writeFileAtomically(desktopFile, desktopEntryBytes(launcher(p.ide, inst, id)));
            // A launcher on the desktop runs only when it is executable (the desktops' trust rule).
            if (p.where == PlaceInfo::Desktop)
                QFile::setPermissions(desktopFile, QFile::permissions(desktopFile) | QFileDevice::ExeOwner |
                                                       QFileDevice::ExeGroup | QFileDevice::ExeOther);
            report.written << desktopFile;
        } catch (const OperationError& e) {
            report.skipped << name + u": "_s + e.message();
        }
    }
    return report;
}

ShortcutReport deleteShortcuts(const ShellFolders& folders, const Installation& inst,
                               const QList<ShortcutPlace>& places, const LauncherFolders& launchers,
                               const DesktopIdentity& id)
{
    ShortcutReport report;
    for (const ShortcutPlace place : places) {
        const PlaceInfo& p = info(place);
        const QString link = linkPath(p, folders);
        QStringList files;
        if (!link.isEmpty() && !inst.bridge.toHost(link).isEmpty())
            files << inst.bridge.toHost(link);
        if (const QString l = launcherPath(p, launchers, id); !l.isEmpty())
            files << l;
        for (const QString& f : files) {
            if (!QFileInfo(f).isFile())
                continue;
            if (QFile::remove(f))
                report.removed << f;
            else
                report.skipped << placeName(place) + u": cannot remove "_s + f;
        }
    }
    return report;
}

} // namespace vx::integration
