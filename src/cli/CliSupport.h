#pragma once

// What every command of vorlix7-cli shares: its streams, exit codes and the rule that registry
// writes wait for Wine to stop.

#include "delphireg/DelphiConfig.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "platform/Errors.h"
#include "platform/Installation.h"
#include "platform/RegistryStore.h"

#include <QJsonDocument>
#include <QTextStream>
#include <cstdio>

namespace vx::cli {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

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

// JSON in the form every command prints it: QJsonDocument's indented text, keys in ascending order.
// The text is UTF-8 already: it goes to stdout as it is, not through the text stream.
inline void printJson(const QJsonDocument& json)
{
    out() << Qt::flush;
    const QByteArray text = json.toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

inline int fail(const QString& message)
{
    err() << "vorlix7-cli: " << message << Qt::endl;
    return Failed;
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

// The environment commands: recover, shortcuts, register-debugger, copy-runtime.
struct EnvironmentOptions
{
    std::optional<bool> bde;
    QString bdePath;
    QString sdkHelp;
    QString only; // comma-separated shortcut places
};
bool isEnvironmentCommand(const QString& command);
// `args` are the positional arguments after the command.
int runEnvironmentCommand(const Installation& inst, const QString& command, const QStringList& args,
                          const EnvironmentOptions& options);

// The snapshot commands: history, restore.
bool isSnapshotCommand(const QString& command);
// `force`: restore a snapshot that was edited or covers more than its operation writes.
int runSnapshotCommand(const Installation& inst, const QString& command, const QStringList& args, bool json, bool force);
} // namespace vx::cli
