#pragma once

// What every command of vorlix7-cli shares: how it is called, its streams, exit codes, reading a
// project, and the rule that registry writes wait for Wine to stop. The commands themselves are
// listed in main.cpp's table.

#include "cli/JsonWriter.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Installation.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace vx::cli {

// Differs: diff found differences, check findings, apply --dry-run changes.
enum Exit { Ok = 0, Failed = 1, Usage = 2, Differs = 3 };

inline QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

inline QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

// Prints the one value `write` writes as a JSON document. The text is UTF-8 already: it goes to
// stdout as it is produced, not through the text stream, and is never held whole in memory.
inline void printJson(const std::function<void(JsonWriter&)>& write)
{
    out() << Qt::flush;
    JsonWriter json([](QByteArrayView piece) { std::fwrite(piece.data(), 1, size_t(piece.size()), stdout); });
    write(json);
    json.finish();
    std::fflush(stdout);
}

inline int fail(const QString& message)
{
    err() << "vorlix7-cli: " << message << Qt::endl;
    return Failed;
}

// A usage error: the message, then the help text.
inline int usage(const QCommandLineParser& parser, const QString& message)
{
    err() << "vorlix7-cli: " << message << "\n\n" << parser.helpText() << Qt::flush;
    return Usage;
}

// A command as it was called: the installation, the words after the command's name, and the
// options of the command line.
struct Invocation
{
    const Installation& inst;
    QStringList args;
    const QCommandLineParser& parser;
    QString usageLine;    // the command's line of the table
    QString settingsFile; // the program's settings file for the installation

    bool isSet(const QString& option) const { return parser.isSet(option); }
    QString value(const QString& option) const { return parser.value(option); }
    int usage(const QString& message) const { return cli::usage(parser, message); }
    // The arguments do not fit the command: its usage line, then the help text.
    int misuse() const { return usage(QStringLiteral("usage: ") + usageLine); }
};

// A project file as the program loads it, without writing anything to it; with `verify` the
// files of the entries are looked up. Throws OperationError when there is no such file.
inline void readProjectFile(const Installation& inst, const QString& path, bool verify,
                            ConfigProject& project)
{
    if (!QFileInfo(path).isFile())
        throw OperationError(QStringLiteral("Project file not found: ") + path);
    IniFile store(path);
    ReadOptions opts;
    opts.now = Clock::current().now();
    opts.verify = verify ? &inst.bridge : nullptr;
    readProjectReleasing(store, project, PathMacro(inst.delphiRoot), opts);
}

// Registry commands work on the prefix's hive files; a running wineserver holds newer data in
// memory and would overwrite what we write, so writing commands refuse while one runs (the
// registry transaction does). Reading commands go on with a warning: the files may be up to
// about 30 s older than Wine's memory.
inline void warnWhileWineRuns(const Installation& inst)
{
    if (const auto warning = wineRunningReadWarning(inst.prefix()))
        err() << "vorlix7-cli: warning: " << *warning << Qt::endl;
}

// A registry change of a command: snapshot, change, commit. Throws OperationError with the
// report when anything failed.
inline TransactionResult changeRegistry(const Installation& inst, RegistryStore& store, SnapshotOperation op,
                                        const SnapshotScope& scope, const std::function<void()>& change,
                                        OnFailure onFailure)
{
    const TransactionResult r = runRegistryTransaction(store, inst.prefix(), op, scope, change, onFailure);
    if (!r.ok())
        throw OperationError(r.report());
    return r;
}

// The commands kept beside main.cpp, by subject.
// InstallationCli.cpp: which installation the commands work on, and the installations found.
// The installation of --root (with --prefix), else of the program's own folder when the IDE stands
// there, else the single one found (in the prefix of --prefix, or in every usual place). Throws
// OperationError naming the installations, or the places searched, when there is not exactly one.
Installation chooseInstallation(const QString& rootOption, const QString& prefixOption);
// The settings file the window keeps for the installation (Vorlix7.wv7 beside the IDE, or one per
// installation in $XDG_CONFIG_HOME/vorlix7/ for an installed program).
QString settingsFileOf(const Installation& inst);
int runInstallations(const Invocation& call);
// EnvironmentCli.cpp: the IDE's default configuration, shortcuts, the debugger library, runtime files.
int runRecover(const Invocation& call);
int runShortcuts(const Invocation& call);
int runRegisterDebugger(const Invocation& call);
int runCopyRuntime(const Invocation& call);
// InsightCli.cpp: comparing and checking configurations, and what apply would change.
int runDiff(const Invocation& call);
int runCheck(const Invocation& call);
int runApplyPreview(const Invocation& call);
// SnapshotCli.cpp: the snapshots taken before each registry change.
int runHistory(const Invocation& call);
int runRestore(const Invocation& call);
// PackageCli.cpp: what a package file says about itself; works on no installation.
int runPackageInfo(const Invocation& call);

} // namespace vx::cli
