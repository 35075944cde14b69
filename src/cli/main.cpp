// vorlix7-cli: the program's file operations for scripts, without windows.

#include "cli/CliSupport.h"
#include "cli/ProjectJson.h"
#include "delphireg/RegImport.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"
#include "platform/Version.h"
#include "platform/pe/PeVersion.h"

#include <QCoreApplication>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::cli;

namespace {

QString checkMark(bool b)
{
    return b ? u"[x]"_s : u"[ ]"_s;
}

QString missingMark(int image)
{
    return image == ImageInsideRootMissing || image == ImageOutsideRootMissing ? u"  [file missing]"_s
                                                                               : QString();
}

void printProject(const ConfigProject& p)
{
    const ProjectStatistics& st = p.statistics();
    out() << "Runs: " << st.runCount
          << "  Time sum: " << runTimeSumText(st.days, u"Day"_s, timeText(st.timeSumMs))
          << "  Last time: " << dateTimeText(st.lastTime) << "  Last run: " << timeText(st.lastRunMs) << '\n';
    out() << "\nExperts (" << p.experts().selectedCount() << " of " << p.experts().count() << " selected)\n";
    for (int r = 0; r < p.experts().count(); ++r) {
        const ExpertEntry e = p.experts().entry(r);
        out() << "  " << checkMark(e.selected) << ' ' << e.name << "  " << e.file << missingMark(e.image);
        if (!e.note.isEmpty())
            out() << "  (" << e.note << ')';
        out() << '\n';
    }
    out() << "\nComponent groups (" << p.groupCount() << ")\n";
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        out() << "  [" << p.groupName(g) << "] " << list.selectedCount() << " of " << list.count()
              << " selected" << (g == p.activeGroup() ? " (active)" : "") << '\n';
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry c = list.entry(r);
            out() << "    " << checkMark(c.selected) << ' ' << c.name << "  " << c.file
                  << missingMark(c.image);
            if (!c.includePath.isEmpty())
                out() << "  include: " << c.includePath;
            out() << '\n';
        }
    }
    out() << "\nTools (" << p.tools().selectedCount() << " of " << p.tools().count() << " selected)\n";
    for (int r = 0; r < p.tools().count(); ++r) {
        const ToolEntry t = p.tools().entry(r);
        out() << "  " << checkMark(t.selected) << ' ' << t.title << "  " << t.program << missingMark(t.image);
        if (!t.params.isEmpty())
            out() << ' ' << t.params;
        out() << '\n';
    }
    out() << "\nSearch path (" << p.searchPath().count() << ")\n";
    for (const QString& s : p.searchPath().rows())
        out() << "  " << s << '\n';
    out() << Qt::flush;
}

int runInfo(const Invocation& call)
{
    const Installation& inst = call.inst;
    const QString exe = inst.delphiExeHost();
    if (exe.isEmpty() || !QFileInfo(exe).isFile())
        return fail(u"Delphi(Bin\\Delphi32.exe) is not found: "_s + inst.delphiExeWindows() + u" ("_s +
                    (exe.isEmpty() ? u"drive not mapped"_s : exe) + u')');
    const PeVersionInfo v = readPeVersion(exe);
    const QString product = shownProductVersion(v);
    const QString file = shownFileVersion(v);
    const QString& settings = call.settingsFile;
    const QString label = ideVersionLabel(product, file);
    const bool ok = v.hasVersionResource && ideVersionOk(v.productVersion);
    if (call.isSet(u"json"_s)) {
        printJson([&](JsonWriter& json) {
            json.beginObject();
            json.key("delphiRoot"_L1).value(inst.delphiRoot);
            json.key("fileVersion"_L1).value(file);
            json.key("hostRoot"_L1).value(inst.hostRoot);
            json.key("ideVersionLabel"_L1).value(label);
            json.key("prefix"_L1).value(inst.prefix());
            json.key("productVersion"_L1).value(product);
            json.key("settingsFile"_L1).value(settings);
            json.key("versionOk"_L1).value(ok);
            json.endObject();
        });
    } else {
        out() << "DelphiRoot:      " << inst.delphiRoot << '\n'
              << "Host directory:  " << inst.hostRoot << '\n'
              << "Wine prefix:     " << inst.prefix() << '\n'
              << "Settings file:   " << settings << '\n'
              << "ProductVersion:  " << product << '\n'
              << "FileVersion:     " << file << '\n'
              << "IDE version:     " << label << '\n'
              << "Version check:   " << (ok ? "passed" : "failed (need version: 7)") << '\n'
              << Qt::flush;
    }
    return Ok;
}

int runShow(const Invocation& call)
{
    ConfigProject project;
    readProjectFile(call.inst, call.args[0], call.isSet(u"verify"_s), project);
    if (call.isSet(u"json"_s))
        printJson([&](JsonWriter& json) { writeProjectJson(project, json); });
    else
        printProject(project);
    return Ok;
}

int runSaveAs(const Invocation& call)
{
    ConfigProject project;
    readProjectFile(call.inst, call.args[0], false, project);
    const QString target = replaceExtension(QFileInfo(call.args[1]).absoluteFilePath(), u".vx7"_s);
    // Save replaces the whole file: what the target holds now is not parsed, only its form kept.
    IniFile store;
    store.openForReplacement(target);
    project.setFileName(target);
    saveProject(project, store, Clock::current().now());
    out() << "Saved " << target << Qt::endl;
    return Ok;
}

int runCapture(const Invocation& call)
{
    const Installation& inst = call.inst;
    warnWhileWineRuns(inst);
    const QString target = replaceExtension(QFileInfo(call.args[0]).absoluteFilePath(), u".vx7"_s);
    HiveRegistryStore store(inst.prefix());
    const PathMacro macro(inst.delphiRoot);
    // As the window does it: a new file with the header, opened, filled from the registry, saved.
    writeFileAtomically(target, QByteArray(kProjectFileHeader));
    ConfigProject project;
    IniFile projectStore;
    ReadOptions opts;
    opts.now = Clock::current().now();
    loadProject(project, projectStore, target, macro, opts);
    const int components = captureDelphiConfig(store, project, macro);
    saveProject(project, projectStore, Clock::current().now());
    QFile::remove(backupPathFor(target));
    out() << "Captured " << project.experts().count() << " experts, " << components << " packages, "
          << project.tools().count() << " tools, " << project.searchPath().count()
          << " search path folders into " << target << Qt::endl;
    return Ok;
}

int runApply(const Invocation& call)
{
    if (call.isSet(u"dry-run"_s))
        return runApplyPreview(call);
    const Installation& inst = call.inst;
    const QString& path = call.args[0];
    ConfigProject project;
    readProjectFile(inst, path, false, project);
    HiveRegistryStore store(inst.prefix());
    const TransactionResult r = changeRegistry(
        inst, store, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply),
        [&] { applyProject(store, project, PathMacro(inst.delphiRoot), inst.bridge); },
        OnFailure::KeepWritten);
    if (!r.changed) {
        out() << "The registry of " << inst.prefix() << " already holds " << path << "; nothing was changed."
              << Qt::endl;
        return Ok;
    }
    out() << "Applied " << path << " to the registry of " << inst.prefix() << ". Restart Delphi to load it."
          << Qt::endl;
    return Ok;
}

int runBackup(const Invocation& call)
{
    const Installation& inst = call.inst;
    warnWhileWineRuns(inst);
    const QString target = replaceExtension(QFileInfo(call.args[0]).absoluteFilePath(), u".reg"_s);
    const HiveRegistryStore store(inst.prefix());
    writeFileAtomically(target, backupDelphiRegistry(store));
    out() << "Backed up Delphi's registry to " << target << Qt::endl;
    return Ok;
}

int runImport(const Invocation& call)
{
    const Installation& inst = call.inst;
    const QString& file = call.args[0];
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(u"Unable to read "_s + file);
    const QByteArray bytes = f.readAll();
    HiveRegistryStore store(inst.prefix());
    // All or nothing: the file is parsed whole before anything is done, and an error while
    // applying it leaves nothing to commit.
    const SnapshotScope scope = importScope(store, parseRegFile(bytes, file));
    RegImportSummary summary;
    changeRegistry(
        inst, store, SnapshotOperation::Import, scope, [&] { summary = importRegFile(bytes, store, file); },
        OnFailure::WriteNothing);
    out() << "Imported " << file << ": " << summary.keys << " keys, " << summary.values << " values, "
          << summary.deletions << " deletions" << Qt::endl;
    return Ok;
}

int runClear(const Invocation& call)
{
    const Installation& inst = call.inst;
    HiveRegistryStore store(inst.prefix());
    changeRegistry(
        inst, store, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
        [&] { clearDelphiRegistry(store); }, OnFailure::KeepWritten);
    out() << "Cleared Delphi's registry trees in " << inst.prefix() << Qt::endl;
    return Ok;
}

// Every command: its usage line, which begins with its name and lists the words it takes after
// it ("[SNAPSHOT]" may be left out; "[--json]" is an option, no word), and what runs it. The help
// lists the usage lines in this order.
struct Command
{
    QStringView usage;
    int (*run)(const Invocation&);

    QStringView name() const { return usage.split(u' ').front(); }
    // How many words may follow the name.
    std::pair<qsizetype, qsizetype> wordRange() const
    {
        qsizetype least = 0, most = 0;
        for (QStringView word : usage.split(u' ').mid(1)) {
            if (word.startsWith(u"[--"))
                continue;
            least += word.startsWith(u'[') ? 0 : 1;
            ++most;
        }
        return {least, most};
    }
};

constexpr Command kCommands[] = {
    {u"info", runInfo},
    {u"installations [--json]", runInstallations},
    {u"show PROJECT", runShow},
    {u"save-as PROJECT NEWFILE", runSaveAs},
    {u"capture NEWFILE", runCapture},
    {u"apply PROJECT", runApply},
    {u"backup FILE.reg", runBackup},
    {u"import FILE.reg", runImport},
    {u"clear", runClear},
    {u"recover", runRecover},
    {u"shortcuts create|delete", runShortcuts},
    {u"register-debugger", runRegisterDebugger},
    {u"copy-runtime", runCopyRuntime},
    {u"diff A B", runDiff},
    {u"check PROJECT|live", runCheck},
    {u"history [--json]", runHistory},
    {u"restore [--force] [SNAPSHOT]", runRestore},
    {u"package-info FILE [--json]", runPackageInfo},
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vorlix7-cli"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Delphi Vorlix: configuration projects of the Delphi 7 IDE, from the command line."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption rootOpt(u"root"_s,
                                     u"Host directory of the Delphi installation (default: the directory of "
                                     u"this program when Delphi stands "
                                     "there, else the one installation found)."_s,
                                     u"DIR"_s);
    const QCommandLineOption prefixOpt(
        u"prefix"_s,
        u"Wine prefix to use instead of discovering it; without --root, the one prefix searched."_s,
        u"DIR"_s);
    const QCommandLineOption jsonOpt(u"json"_s, u"Print JSON."_s);
    const QCommandLineOption verifyOpt(u"verify"_s, u"Look up the files of the entries (show)."_s);
    const QCommandLineOption bdeOpt(u"bde"_s, u"Write the database engine's keys (recover)."_s);
    const QCommandLineOption noBdeOpt(u"no-bde"_s, u"Leave the database engine's keys alone (recover)."_s);
    const QCommandLineOption bdePathOpt(u"bde-path"_s,
                                        u"The database engine's folder, Windows form (recover)."_s, u"DIR"_s);
    const QCommandLineOption sdkHelpOpt(u"sdk-help"_s,
                                        u"The Win32 SDK help folder, Windows form (recover)."_s, u"DIR"_s);
    const QCommandLineOption onlyOpt(u"only"_s, u"Comma-separated shortcut places (shortcuts)."_s, u"LIST"_s);
    const QCommandLineOption dryRunOpt(u"dry-run"_s,
                                       u"Print what apply would change; write nothing (apply)."_s);
    const QCommandLineOption forceOpt(
        u"force"_s,
        u"Restore a snapshot that was edited or covers more than its operation writes (restore)."_s);
    parser.addOptions(
        {rootOpt, prefixOpt, jsonOpt, verifyOpt, bdeOpt, noBdeOpt, bdePathOpt, sdkHelpOpt, onlyOpt});
    parser.addOption(dryRunOpt);
    parser.addOption(forceOpt);
    QStringList usages;
    for (const Command& c : kCommands)
        usages << c.usage.toString();
    parser.addPositionalArgument(u"command"_s, usages.join(u" | "_s));

    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        out() << parser.helpText() << Qt::flush;
        return Ok;
    }
    if (parser.isSet(u"version"_s)) {
        out() << "vorlix7-cli " << kVersion << Qt::endl;
        return Ok;
    }

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(parser, u"no command given"_s);
    const QString& command = args.first();
    if (parser.isSet(rootOpt) && !QFileInfo(parser.value(rootOpt)).isDir())
        return fail(u"Delphi directory not found: "_s + parser.value(rootOpt));
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const Command& c) { return c.name() == command; });
    if (found == std::end(kCommands))
        return usage(parser, u"unknown command: "_s + command);
    const auto [least, most] = found->wordRange();
    if (args.size() - 1 < least || args.size() - 1 > most)
        return usage(parser, u"usage: "_s + found->usage);
    Installation inst;
    QString settings;
    // Listing the installations, and reading a package file, work on none of them.
    if (found->run != runInstallations && found->run != runPackageInfo) {
        try {
            inst = chooseInstallation(parser.value(rootOpt), parser.value(prefixOpt));
        } catch (const OperationError& e) {
            return fail(e.message());
        }
        settings = settingsFileOf(inst);
        // Project files that are not UTF-8 are in the prefix's ANSI code page.
        useAnsiCodePageOfPrefix(inst.prefix());
    }
    const Invocation call{inst, args.mid(1), parser, found->usage.toString(), settings};
    try {
        return found->run(call);
    } catch (const OperationError& e) {
        return fail(e.message());
    }
}
