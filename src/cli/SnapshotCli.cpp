// The snapshot commands of vorlix7-cli: the history of the snapshots taken before each registry
// change, and restoring one of them.

#include "cli/CliSupport.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"

using namespace Qt::StringLiterals;

namespace vx::cli {

int runHistory(const Invocation& call)
{
    const SnapshotStore snapshots(call.inst.prefix());
    const std::vector<SnapshotInfo> all = snapshots.history();
    if (call.isSet(u"json"_s)) {
        printJson([&](JsonWriter& json) {
            json.beginArray();
            for (const SnapshotInfo& s : all) {
                json.beginObject();
                json.key("file"_L1).value(s.file);
                json.key("id"_L1).value(s.id);
                json.key("operation"_L1).value(snapshotOperationName(s.operation));
                json.key("time"_L1).value(isoTimeWithOffset(s.time));
                json.endObject();
            }
            json.endArray();
        });
        return Ok;
    }
    if (all.empty())
        out() << "No snapshots in " << snapshots.folder() << '\n';
    for (const SnapshotInfo& s : all)
        out() << s.id << "  " << isoTimeWithOffset(s.time) << "  before "
              << snapshotOperationName(s.operation) << '\n';
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
