// The snapshot commands of vorlix7-cli: the history of the snapshots taken before each registry
// change, and restoring one of them.

#include "cli/CliSupport.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

int runHistory(const Installation& inst, bool json)
{
    const SnapshotStore snapshots(inst.prefix());
    const std::vector<SnapshotInfo> all = snapshots.history();
    if (json) {
        QJsonArray list;
        for (const SnapshotInfo& s : all)
            list.append(QJsonObject{{u"id"_s, s.id},
                                    {u"time"_s, isoTimeWithOffset(s.time)},
                                    {u"operation"_s, snapshotOperationName(s.operation)},
                                    {u"file"_s, s.file}});
        printJson(QJsonDocument(list));
        return Ok;
    }
    if (all.empty())
        out() << "No snapshots in " << snapshots.folder() << '\n';
    for (const SnapshotInfo& s : all)
        out() << s.id << "  " << isoTimeWithOffset(s.time) << "  before " << snapshotOperationName(s.operation) << '\n';
    out() << Qt::flush;
    return Ok;
}

int runRestore(const Installation& inst, const QStringList& args, bool force)
{
    const SnapshotStore snapshots(inst.prefix());
    QString file;
    if (args.isEmpty()) {
        const std::optional<SnapshotInfo> newest = snapshots.newest();
        if (!newest)
            return fail(u"No snapshot to restore in "_s + snapshots.folder());
        file = newest->file;
    } else {
        file = snapshots.resolve(args[0]);
    }
    HiveRegistryStore store(inst.prefix());
    const RestoreResult r = restoreSnapshotFile(file, store, inst.prefix(), force);
    if (!r.transaction.ok())
        return fail(r.transaction.report());
    if (!r.transaction.changed) {
        out() << "The registry already holds what " << file << " holds; nothing was changed." << Qt::endl;
        return Ok;
    }
    out() << "Restored " << file << ": " << r.keys << " keys, " << r.values << " values. Undo with: restore "
          << r.transaction.snapshot->id << Qt::endl;
    return Ok;
}

} // namespace

bool isSnapshotCommand(const QString& command)
{
    return command == u"history"_s || command == u"restore"_s;
}

int runSnapshotCommand(const Installation& inst, const QString& command, const QStringList& args, bool json, bool force)
{
    if (command == u"history"_s) {
        if (!args.isEmpty())
            return fail(u"usage: history [--json]"_s);
        return runHistory(inst, json);
    }
    if (args.size() > 1)
        return fail(u"usage: restore [--force] [SNAPSHOT]"_s);
    return runRestore(inst, args, force);
}

} // namespace vx::cli
