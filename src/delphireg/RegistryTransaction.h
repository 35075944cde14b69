#pragma once

#include "delphireg/Snapshots.h"
#include "platform/registry/RegistryStore.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vx {

// What a change does when it fails half-way: keep what it wrote before the error (as the IDE's
// own registry would), or write nothing at all.
enum class OnFailure { KeepWritten, WriteNothing };

// How a registry change ended.
struct TransactionResult
{
    // Whether a hive file was written. False means verified: nothing reached the files.
    bool changed = false;
    // The snapshot that undoes the change; only when something was written.
    std::optional<SnapshotInfo> snapshot;
    // What went wrong (the change's error, the commit's, or both); empty when all was written.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // The error with what it means for the registry: "The registry was not changed." when
    // nothing was written, else how to undo what was.
    QString report() const;
};

// The message that refuses a registry change while a wineserver runs for the prefix; nullopt
// when none runs.
std::optional<QString> wineRunningRefusal(const QString& prefixDir);

// One change of a prefix's registry, made the same way by every command of the window and the
// CLI:
//  1. refused while a wineserver runs for the prefix;
//  2. a snapshot of the scope (when it cannot be written, nothing is changed);
//  3. `change` on the store in memory; an OperationError from it ends the change, keeping what
//     it wrote or nothing, as `onFailure` says;
//  4. the commit of both hives;
//  5. the snapshot is kept exactly when something was written, so that the newest snapshot
//     always undoes the last change that happened.
// Every error is reported in the result, none thrown.
TransactionResult runRegistryTransaction(RegistryStore& store, const QString& prefixDir, SnapshotOperation op,
                                         const SnapshotScope& scope, const std::function<void()>& change,
                                         OnFailure onFailure);

// Restoring a snapshot file: read and checked whole first (OperationError naming the file and
// line, nothing done), then put back in a transaction whose own snapshot (operation Restore)
// undoes the restore. Nothing of the snapshot is written when part of it cannot be.
struct RestoreResult
{
    TransactionResult transaction;
    int keys = 0;
    int values = 0;
};
// `force` restores a snapshot that was edited or covers more than its operation writes.
RestoreResult restoreSnapshotFile(const QString& file, RegistryStore& store, const QString& prefixDir,
                                  bool force = false);

} // namespace vx
