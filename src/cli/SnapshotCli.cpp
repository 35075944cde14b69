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

int runHistory(const Invocation& call)
{
    const SnapshotStore snapshots(call.inst.prefix());
    const std::vector<SnapshotInfo> all = snapshots.history();
    if (call.isSet(u"json"_s)) {
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

int runRestore(const Invocation& call)
{
    const Installation& inst = call.inst;
    const SnapshotStore snapshots(inst.prefix());
    QString file;
    if (call.args.isEmpty()) {
        const std::optional<SnapshotInfo> newest = snapshots.newest();
        if (!newest)
            return fail(u"No snapshot to restore in "_s + snapshots.folder());
        file = newest->file;
    } else {
        file = snapshots.resolve(call.args[0]);
    }
    HiveRegistryStore store(inst.prefix());
    const RestoreResult r = restoreSnapshotFile(file, store, inst.prefix(), call.isSet(u"force"_s));
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

} // namespace vx::cli
