// vorlix7-cli: the program's file operations for scripts, without windows.

#include "cli/CliSupport.h"
#include "cli/InsightCli.h"
#include "cli/ProjectJson.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/RegistryStore.h"
#include "platform/IniFile.h"
#include "platform/CodePage.h"
#include "platform/Installation.h"
#include "platform/PeVersion.h"
#include "platform/TimeText.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::cli;

namespace {

int usage(const QCommandLineParser& parser, const QString& message)
{
    err() << "vorlix7-cli: " << message << "\n\n" << parser.helpText() << Qt::flush;
    return Usage;
}

QString checkMark(bool b)
{
    return b ? u"[x]"_s : u"[ ]"_s;
}

QString missingMark(int image)
{
    return image == ImageInsideRootMissing || image == ImageOutsideRootMissing ? u"  [file missing]"_s : QString();
}

void printProject(const ConfigProject& p)
{
    const ProjectStatistics& st = p.statistics();
    out() << "Runs: " << st.runCount << "  Time sum: " << runTimeSumText(st.days, u"Day"_s, timeText(st.timeSumMs))
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
        out() << "  [" << p.groupName(g) << "] " << list.selectedCount() << " of " << list.count() << " selected"
              << (g == p.activeGroup() ? " (active)" : "") << '\n';
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry c = list.entry(r);
            out() << "    " << checkMark(c.selected) << ' ' << c.name << "  " << c.file << missingMark(c.image);
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

int runInfo(const Installation& inst, bool json)
{
    const QString exe = inst.delphiExeHost();
    if (exe.isEmpty() || !QFileInfo(exe).isFile())
        return fail(u"Delphi(Bin\\Delphi32.exe) is not found: "_s + inst.delphiExeWindows() + u" ("_s +
                    (exe.isEmpty() ? u"drive not mapped"_s : exe) + u')');
    const PeVersionInfo v = readPeVersion(exe);
    const QString product = shownProductVersion(v);
    const QString file = shownFileVersion(v);
    const QString settings = inst.hostRoot + u"/Vorlix7.wv7"_s;
    const QString label = ideVersionLabel(product, file);
    const bool ok = v.hasVersionResource && ideVersionOk(v.productVersion);
    if (json) {
        const QJsonObject o{{u"delphiRoot"_s, inst.delphiRoot}, {u"hostRoot"_s, inst.hostRoot},
                            {u"prefix"_s, inst.prefix()},       {u"settingsFile"_s, settings},
                            {u"productVersion"_s, product},     {u"fileVersion"_s, file},
                            {u"ideVersionLabel"_s, label},      {u"versionOk"_s, ok}};
        printJson(QJsonDocument(o));
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

// Reads a project without writing anything to it.
bool readForCli(const QString& path, const Installation& inst, bool verify, ConfigProject& project)
{
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        fail(u"Project file not found: "_s + path);
        return false;
    }
    IniFile store(path);
    ReadOptions opts;
    opts.now = Clock::current().now();
    opts.verify = verify ? &inst.bridge : nullptr;
    readProjectReleasing(store, project, PathMacro(inst.delphiRoot), opts);
    return true;
}

int runShow(const Installation& inst, const QString& path, bool json, bool verify)
{
    ConfigProject project;
    if (!readForCli(path, inst, verify, project))
        return Failed;
    if (json)
        printJson(QJsonDocument(projectJson(project)));
    else
        printProject(project);
    return Ok;
}

int runSaveAs(const Installation& inst, const QString& path, const QString& newFile)
{
    ConfigProject project;
    if (!readForCli(path, inst, false, project))
        return Failed;
    const QString target = replaceExtension(QFileInfo(newFile).absoluteFilePath(), u".vx7"_s);
    // Save replaces the whole file: what the target holds now is not parsed, only its form kept.
    IniFile store;
    store.openForReplacement(target);
    project.setFileName(target);
    saveProject(project, store, Clock::current().now());
    out() << "Saved " << target << Qt::endl;
    return Ok;
}

int runCapture(const Installation& inst, const QString& newFile)
{
    warnWhileWineRuns(inst);
    const QString target = replaceExtension(QFileInfo(newFile).absoluteFilePath(), u".vx7"_s);
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
          << project.tools().count() << " tools, " << project.searchPath().count() << " search path folders into "
          << target << Qt::endl;
    return Ok;
}

int runApply(const Installation& inst, const QString& path)
{
    ConfigProject project;
    if (!readForCli(path, inst, false, project))
        return Failed;
    HiveRegistryStore store(inst.prefix());
    const TransactionResult r = changeRegistry(inst, store, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply),
                                               [&] { applyProject(store, project, PathMacro(inst.delphiRoot), inst.bridge); },
                                               OnFailure::KeepWritten);
    if (!r.changed) {
        out() << "The registry of " << inst.prefix() << " already holds " << path << "; nothing was changed." << Qt::endl;
        return Ok;
    }
    out() << "Applied " << path << " to the registry of " << inst.prefix() << ". Restart Delphi to load it."
          << Qt::endl;
    return Ok;
}

int runBackup(const Installation& inst, const QString& file)
{
    warnWhileWineRuns(inst);
    const QString target = replaceExtension(QFileInfo(file).absoluteFilePath(), u".reg"_s);
    const HiveRegistryStore store(inst.prefix());
    writeFileAtomically(target, backupDelphiRegistry(store));
    out() << "Backed up Delphi's registry to " << target << Qt::endl;
    return Ok;
}

int runImport(const Installation& inst, const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(u"Unable to read "_s + file);
    const QByteArray bytes = f.readAll();
    HiveRegistryStore store(inst.prefix());
    // All or nothing: the file is parsed whole before anything is done, and an error while
    // applying it leaves nothing to commit.
    const SnapshotScope scope = importScope(store, parseRegFile(bytes, file));
    RegImportSummary summary;
    changeRegistry(inst, store, SnapshotOperation::Import, scope, [&] { summary = importRegFile(bytes, store, file); },
                   OnFailure::WriteNothing);
    out() << "Imported " << file << ": " << summary.keys << " keys, " << summary.values << " values, "
          << summary.deletions << " deletions" << Qt::endl;
    return Ok;
}

int runClear(const Installation& inst)
{
    HiveRegistryStore store(inst.prefix());
    changeRegistry(inst, store, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
                   [&] { clearDelphiRegistry(store); }, OnFailure::KeepWritten);
    out() << "Cleared Delphi's registry trees in " << inst.prefix() << Qt::endl;
    return Ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vorlix7-cli"_s);
    QCoreApplication::setApplicationVersion(u"2.1.0"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Delphi Vorlix: configuration projects of the Delphi 7 IDE, from the command line."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption rootOpt(u"root"_s, u"Host directory of the Delphi installation (default: the directory of this program)."_s, u"DIR"_s);
    const QCommandLineOption prefixOpt(u"prefix"_s, u"Wine prefix to use instead of discovering it."_s, u"DIR"_s);
    const QCommandLineOption jsonOpt(u"json"_s, u"Print JSON."_s);
    const QCommandLineOption verifyOpt(u"verify"_s, u"Look up the files of the entries (show)."_s);
    const QCommandLineOption bdeOpt(u"bde"_s, u"Write the database engine's keys (recover)."_s);
    const QCommandLineOption noBdeOpt(u"no-bde"_s, u"Leave the database engine's keys alone (recover)."_s);
    const QCommandLineOption bdePathOpt(u"bde-path"_s, u"The database engine's folder, Windows form (recover)."_s, u"DIR"_s);
    const QCommandLineOption sdkHelpOpt(u"sdk-help"_s, u"The Win32 SDK help folder, Windows form (recover)."_s, u"DIR"_s);
    const QCommandLineOption onlyOpt(u"only"_s, u"Comma-separated shortcut places (shortcuts)."_s, u"LIST"_s);
    const QCommandLineOption dryRunOpt(u"dry-run"_s, u"Print what apply would change; write nothing (apply)."_s);
    const QCommandLineOption forceOpt(u"force"_s, u"Restore a snapshot that was edited or covers more than its operation writes (restore)."_s);
    parser.addOptions({rootOpt, prefixOpt, jsonOpt, verifyOpt, bdeOpt, noBdeOpt, bdePathOpt, sdkHelpOpt, onlyOpt});
    parser.addOption(dryRunOpt);
    parser.addOption(forceOpt);
    parser.addPositionalArgument(u"command"_s, u"info | show PROJECT | save-as PROJECT NEWFILE | capture NEWFILE | "
                                               u"apply PROJECT | backup FILE.reg | import FILE.reg | clear | "
                                               u"recover | shortcuts create|delete | register-debugger | copy-runtime | "
                                               u"diff A B | check PROJECT|live | history [--json] | restore [--force] [SNAPSHOT]"_s);

    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        out() << parser.helpText() << Qt::flush;
        return Ok;
    }
    if (parser.isSet(u"version"_s)) {
        out() << "vorlix7-cli 2.1.0" << Qt::endl;
        return Ok;
    }

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(parser, u"no command given"_s);
    const QString command = args.first();
    const QString hostRoot = parser.isSet(rootOpt) ? parser.value(rootOpt) : QCoreApplication::applicationDirPath();
    if (!QFileInfo(hostRoot).isDir())
        return fail(u"Delphi directory not found: "_s + hostRoot);
    const Installation inst = Installation::locate(hostRoot, parser.value(prefixOpt));
    // Project files that are not UTF-8 are in the prefix's ANSI code page.
    useAnsiCodePageOfPrefix(inst.prefix());

    try {
        if (command == u"info"_s) {
            if (args.size() != 1)
                return usage(parser, u"info takes no arguments"_s);
            return runInfo(inst, parser.isSet(jsonOpt));
        }
        if (command == u"show"_s) {
            if (args.size() != 2)
                return usage(parser, u"usage: show PROJECT [--json] [--verify]"_s);
            return runShow(inst, args[1], parser.isSet(jsonOpt), parser.isSet(verifyOpt));
        }
        if (command == u"save-as"_s) {
            if (args.size() != 3)
                return usage(parser, u"usage: save-as PROJECT NEWFILE"_s);
            return runSaveAs(inst, args[1], args[2]);
        }
        if (isSnapshotCommand(command))
            return runSnapshotCommand(inst, command, args.mid(1), parser.isSet(jsonOpt), parser.isSet(forceOpt));
        if (isEnvironmentCommand(command)) {
            if (parser.isSet(bdeOpt) && parser.isSet(noBdeOpt))
                return usage(parser, u"--bde and --no-bde exclude each other"_s);
            EnvironmentOptions o;
            if (parser.isSet(bdeOpt) || parser.isSet(noBdeOpt))
                o.bde = parser.isSet(bdeOpt);
            o.bdePath = parser.value(bdePathOpt);
            o.sdkHelp = parser.value(sdkHelpOpt);
            o.only = parser.value(onlyOpt);
            return runEnvironmentCommand(inst, command, args.mid(1), o);
        }
        if (isInsightCommand(command))
            return runInsightCommand(inst, command, args.mid(1), parser.isSet(jsonOpt));
        if (command == u"apply"_s && parser.isSet(dryRunOpt))
            return runApplyPreview(inst, args.mid(1), parser.isSet(jsonOpt));
        const std::pair<QString, int> arity[] = {
            {u"capture"_s, 2}, {u"apply"_s, 2}, {u"backup"_s, 2}, {u"import"_s, 2}, {u"clear"_s, 1}};
        for (const auto& [name, count] : arity) {
            if (command != name)
                continue;
            if (args.size() != count)
                return usage(parser, u"wrong number of arguments for "_s + name);
            if (name == u"capture"_s)
                return runCapture(inst, args[1]);
            if (name == u"apply"_s)
                return runApply(inst, args[1]);
            if (name == u"backup"_s)
                return runBackup(inst, args[1]);
            if (name == u"import"_s)
                return runImport(inst, args[1]);
            return runClear(inst);
        }
    } catch (const OperationError& e) {
        return fail(e.message());
    }
    return usage(parser, u"unknown command: "_s + command);
}
