// The environment commands of vorlix7-cli: the IDE's default configuration, shortcuts, the
// debugger library's registration and the runtime-file copy, as the Option page does them.

#include "cli/CliSupport.h"
#include "delphireg/DefaultConfig.h"
#include "editing/RuntimeFiles.h"
#include "integration/Associations.h"
#include "integration/DesktopIdentity.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/Shortcuts.h"
#include "platform/Clock.h"
#include "platform/ini/IniFile.h"
#include "project/Settings.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

// The settings the window keeps for the installation; the defaults where the file or a key is
// missing.
AppSettings programSettings(const Invocation& call)
{
    const QString& path = call.settingsFile;
    const IniFile ini(QFileInfo(path).isFile() ? path : QString());
    return readSettings(ini, call.inst.delphiRoot, Clock::current().now());
}

} // namespace

int runRecover(const Invocation& call)
{
    if (call.isSet(u"bde"_s) && call.isSet(u"no-bde"_s))
        return call.usage(u"--bde and --no-bde exclude each other"_s);
    const Installation& inst = call.inst;
    const AppSettings s = programSettings(call);
    const QString sdkHelp = call.value(u"sdk-help"_s);
    const QString bdePath = call.value(u"bde-path"_s);
    const bool bde = call.isSet(u"bde"_s) || (!call.isSet(u"no-bde"_s) && s.bde);
    DefaultConfigInputs in{inst.delphiRoot, sdkHelp.isEmpty() ? s.win32SdkHelp : sdkHelp, bde,
                           bdePath.isEmpty() ? s.bdePath : bdePath};
    HiveRegistryStore store(inst.prefix());
    changeRegistry(
        inst, store, SnapshotOperation::Recover, keysWrittenBy(SnapshotOperation::Recover),
        [&] { writeDefaultConfiguration(store, in); }, OnFailure::KeepWritten);
    out() << "Wrote Delphi's default configuration" << (in.bde ? " with the database engine" : "") << " into "
          << inst.prefix() << Qt::endl;
    return Ok;
}

int runShortcuts(const Invocation& call)
{
    using namespace integration;
    const QString& action = call.args[0];
    if (action != u"create"_s && action != u"delete"_s)
        return call.misuse();
    const Installation& inst = call.inst;
    const QString only = call.value(u"only"_s);
    QList<ShortcutPlace> places;
    if (!only.isEmpty()) {
        for (const QString& name : only.split(u',', Qt::SkipEmptyParts)) {
            const std::optional<ShortcutPlace> p = placeFromName(name.trimmed());
            if (!p)
                return fail(u"unknown shortcut place: "_s + name +
                            u" (ide-menu, ide-desktop, ide-quicklaunch, "
                            u"program-menu, program-desktop, program-quicklaunch)"_s);
            places << *p;
        }
    } else {
        const AppSettings s = programSettings(call);
        const bool chosen[] = {s.menu, s.desktop, s.quickLaunch, s.menuD, s.desktopD, s.quickLaunchD};
        for (int i = 0; i < 6; ++i) {
            if (chosen[i])
                places << kAllShortcutPlaces[i];
        }
    }
    const ShellFolders folders = readShellFolders(HiveRegistryStore(inst.prefix()));
    const LauncherFolders launchers = LauncherFolders::forCurrentUser();
    // The launchers start the window program: installed beside this one, else beside the IDE.
    const QString installed = QCoreApplication::applicationDirPath() + u"/vorlix7"_s;
    const DesktopIdentity id = desktopIdentityForCurrentUser(
        QFileInfo(installed).isExecutable() ? installed : inst.hostRoot + u"/Vorlix7"_s, inst);
    const ShortcutReport r = action == u"create"_s ? createShortcuts(folders, inst, places, launchers, id)
                                                   : deleteShortcuts(folders, inst, places, launchers, id);
    for (const QString& f : r.written + r.removed)
        out() << f << '\n';
    for (const QString& s : r.skipped)
        out() << "skipped " << s << '\n';
    out() << Qt::flush;
    return Ok;
}

int runRegisterDebugger(const Invocation& call)
{
    const integration::RegistrationResult r =
        integration::registerDebugger(call.inst, programSettings(call).bordbk);
    if (!r.success)
        return fail(r.message + u": "_s + r.reason);
    out() << r.message << Qt::endl;
    return Ok;
}

int runCopyRuntime(const Invocation& call)
{
    const Installation& inst = call.inst;
    const QString system = integration::windowsSystemDirectory(inst.prefix());
    const integration::CopyResult r =
        integration::copyRuntimeFiles(inst, system, editing::runtimeFileNames());
    if (!r.failedSource.isEmpty())
        return fail(r.message);
    out() << "Copied " << r.copied << " files from " << system << " to " << inst.delphiRoot << "Bin. "
          << r.message << Qt::endl;
    return Ok;
}

} // namespace vx::cli
