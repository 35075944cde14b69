// The environment commands of vorlix7-cli: the IDE's default configuration, shortcuts, the
// debugger library's registration and the runtime-file copy, as the Option page does them.

#include "cli/CliSupport.h"
#include "delphireg/DefaultConfig.h"
#include "editing/RuntimeFiles.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/Shortcuts.h"
#include "platform/Clock.h"
#include "platform/ini/IniFile.h"
#include "project/Settings.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

// The settings the window keeps beside the program; the defaults where the file or a key is
// missing.
AppSettings programSettings(const Installation& inst)
{
    const QString path = inst.hostRoot + u"/Vorlix7.wv7"_s;
    const IniFile ini(QFileInfo(path).isFile() ? path : QString());
    return readSettings(ini, inst.delphiRoot, Clock::current().now());
}

int runRecover(const Installation& inst, const EnvironmentOptions& o)
{
    const AppSettings s = programSettings(inst);
    DefaultConfigInputs in{inst.delphiRoot, o.sdkHelp.isEmpty() ? s.win32SdkHelp : o.sdkHelp, o.bde.value_or(s.bde),
                           o.bdePath.isEmpty() ? s.bdePath : o.bdePath};
    HiveRegistryStore store(inst.prefix());
    changeRegistry(inst, store, SnapshotOperation::Recover, keysWrittenBy(SnapshotOperation::Recover),
                   [&] { writeDefaultConfiguration(store, in); }, OnFailure::KeepWritten);
    out() << "Wrote Delphi's default configuration" << (in.bde ? " with the database engine" : "") << " into "
          << inst.prefix() << Qt::endl;
    return Ok;
}

int runShortcuts(const Installation& inst, const QString& action, const EnvironmentOptions& o)
{
    using namespace integration;
    QList<ShortcutPlace> places;
    if (!o.only.isEmpty()) {
        for (const QString& name : o.only.split(u',', Qt::SkipEmptyParts)) {
            const std::optional<ShortcutPlace> p = placeFromName(name.trimmed());
            if (!p)
                return fail(u"unknown shortcut place: "_s + name + u" (ide-menu, ide-desktop, ide-quicklaunch, "
                                                                     u"program-menu, program-desktop, program-quicklaunch)"_s);
            places << *p;
        }
    } else {
        const AppSettings s = programSettings(inst);
        const bool chosen[] = {s.menu, s.desktop, s.quickLaunch, s.menuD, s.desktopD, s.quickLaunchD};
        for (int i = 0; i < 6; ++i) {
            if (chosen[i])
                places << kAllShortcutPlaces[i];
        }
    }
    const ShellFolders folders = readShellFolders(HiveRegistryStore(inst.prefix()));
    const LauncherFolders launchers = LauncherFolders::forCurrentUser();
    const ShortcutReport r = action == u"create"_s ? createShortcuts(folders, inst, places, launchers)
                                                   : deleteShortcuts(folders, inst, places, launchers);
    for (const QString& f : r.written + r.removed)
        out() << f << '\n';
    for (const QString& s : r.skipped)
        out() << "skipped " << s << '\n';
    out() << Qt::flush;
    return Ok;
}

int runRegisterDebugger(const Installation& inst)
{
    const integration::RegistrationResult r = integration::registerDebugger(inst, programSettings(inst).bordbk);
    if (!r.success)
        return fail(r.message + u": "_s + r.reason);
    out() << r.message << Qt::endl;
    return Ok;
}

int runCopyRuntime(const Installation& inst)
{
    const QString system = integration::windowsSystemDirectory(inst.prefix());
    const integration::CopyResult r = integration::copyRuntimeFiles(inst, system, editing::runtimeFileNames());
    if (!r.failedSource.isEmpty())
        return fail(r.message);
    out() << "Copied " << r.copied << " files from " << system << " to " << inst.delphiRoot << "Bin. " << r.message
          << Qt::endl;
    return Ok;
}

} // namespace

bool isEnvironmentCommand(const QString& command)
{
    return command == u"recover"_s || command == u"shortcuts"_s || command == u"register-debugger"_s ||
           command == u"copy-runtime"_s;
}

int runEnvironmentCommand(const Installation& inst, const QString& command, const QStringList& args,
                          const EnvironmentOptions& options)
{
    if (command == u"shortcuts"_s) {
        if (args.size() != 1 || (args[0] != u"create"_s && args[0] != u"delete"_s))
            return fail(u"usage: shortcuts create|delete [--only LIST]"_s);
        return runShortcuts(inst, args[0], options);
    }
    if (!args.isEmpty())
        return fail(command + u" takes no arguments"_s);
    if (command == u"recover"_s)
        return runRecover(inst, options);
    if (command == u"register-debugger"_s)
        return runRegisterDebugger(inst);
    return runCopyRuntime(inst);
}

} // namespace vx::cli
