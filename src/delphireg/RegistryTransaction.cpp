#include "delphireg/RegistryTransaction.h"

#include "platform/Errors.h"

using namespace Qt::StringLiterals;

namespace vx {

QString TransactionResult::report() const
{
    if (!changed)
        return error + u"\n\nThe registry was not changed."_s;
    if (!snapshot)
        return error;
    return error + u"\n\nThe registry was partly changed; the snapshot "_s + snapshot->id +
           u" puts it back as it was before."_s;
}

std::optional<QString> wineRunningRefusal(const QString& prefixDir)
{
    QString why;
    if (!HiveRegistryStore::serverRunningFor(prefixDir, &why))
        return std::nullopt;
    QString quoted = prefixDir;
    quoted.replace(u"'"_s, u"'\\''"_s);
    return u"Wine is running in the prefix %1 (%2) and would overwrite the registry files, so nothing was "
           u"changed. "
           "Close the Windows programs of that prefix, or stop it with: WINEPREFIX='%3' wineserver -k"_s.arg(
               prefixDir, why, quoted);
}

TransactionResult runRegistryTransaction(RegistryStore& store, const QString& prefixDir, SnapshotOperation op,
                                         const SnapshotScope& scope, const std::function<void()>& change,
                                         OnFailure onFailure)
{
    TransactionResult result;
    if (const std::optional<QString> refusal = wineRunningRefusal(prefixDir)) {
        result.error = *refusal;
        return result;
    }
    const SnapshotStore snapshots(prefixDir);
    SnapshotInfo snapshot;
    try {
        snapshot = snapshots.take(store, op, scope);
    } catch (const OperationError& e) {
        result.error = e.message();
        return result;
    }
    try {
        change();
    } catch (const OperationError& e) {
        result.error = e.message();
        if (onFailure == OnFailure::WriteNothing)
            store.discardChanges();
    }
    try {
        if (store.hasChanges()) {
            store.commit();
            result.changed = true;
        }
    } catch (const PartialWriteError& e) {
        result.changed = true;
        result.error = result.error.isEmpty() ? e.message() : result.error + u"\n\n"_s + e.message();
    } catch (const OperationError& e) {
        // A commit that fails whole replaces no hive file.
        store.discardChanges();
        result.error = result.error.isEmpty() ? e.message() : result.error + u"\n\n"_s + e.message();
    }
    if (result.changed) {
        result.snapshot = snapshot;
        snapshots.prune(snapshot);
    } else
        snapshots.discard(snapshot);
    return result;
}

RestoreResult restoreSnapshotFile(const QString& file, RegistryStore& store, const QString& prefixDir,
                                  bool force)
{
    const ParsedSnapshot parsed = readSnapshotFile(file, force);
    RestoreResult result;
    result.keys = parsed.keys;
    result.values = parsed.values;
    result.transaction = runRegistryTransaction(
        store, prefixDir, SnapshotOperation::Restore, parsed.covered,
        [&] { restoreSnapshot(parsed, store, file); }, OnFailure::WriteNothing);
    return result;
}

} // namespace vx
