#pragma once

#include "delphireg/RegImport.h"
#include "platform/registry/RegistryStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace vx {

// Snapshots: the registry keys an operation is about to write, saved before it writes them, so
// that the change can be undone exactly.
//
// A snapshot is a registry file in the typed form Wine's `reg export` writes: UTF-16LE with a
// byte-order mark, the header "Windows Registry Editor Version 5.00", strings as "text" (escapes
// \\ \" \n \r), 4-byte DWORDs as dword:xxxxxxxx, everything else as hex: (REG_BINARY) or hex(N):
// with the type N, so that expandable strings, multi-strings, QWORDs, strings without their NUL
// and unknown types keep every byte. The trees it covers are recorded as deletion lines
// "[-ROOT\path]" at its start, before any key line: restoring deletes each covered tree and then
// writes what follows, so a covered tree that did not exist when the snapshot was taken is
// deleted again. Single values it covers (an import's, which changes some values of a key and
// leaves the others) follow under their key's line outside the covered trees, as they were or,
// when they did not exist, as a deletion "name"=-. Comment lines name the operation and the
// time, and a closing comment counts the keys and values and holds the SHA-256 of everything
// before it, so that a file cut short or edited is noticed:
//
//   Windows Registry Editor Version 5.00
//   ; Delphi Vorlix registry snapshot
//   ; operation: clear
//   ; time: 2026-12-06T15:34:04.123+01:00
//
//   [-HKEY_CURRENT_USER\Software\Borland\Delphi\7.0]
//   ...
//   [HKEY_CURRENT_USER\Software\Borland\Delphi\7.0]
//   "Name"="value"
//   ...
//   ; end of snapshot: 12 keys, 80 values, sha256 9f86d081884c7d65...

enum class SnapshotOperation { Apply, Import, Clear, Recover, Restore, Associate };

// "apply", "import", "clear", "recover", "restore", "associate"; nullopt for another word.
QString snapshotOperationName(SnapshotOperation op);
std::optional<SnapshotOperation> snapshotOperationFromName(QStringView name);

struct RegKeyRef
{
    RegRoot root = RegRoot::CurrentUser;
    QString path;
    bool operator==(const RegKeyRef& o) const
    {
        return root == o.root && path.compare(o.path, Qt::CaseInsensitive) == 0;
    }
};

// The IDE's three key trees.
QList<RegKeyRef> delphiTreeKeys();
// One value of a key.
struct RegValueRef
{
    RegKeyRef key;
    QString name;
};

// What a snapshot covers: trees that restoring deletes and writes back whole, and single values
// that it puts back (or deletes, when they did not exist) leaving the rest of their keys alone.
struct SnapshotScope
{
    QList<RegKeyRef> trees;
    QList<RegValueRef> values;
    SnapshotScope(QList<RegKeyRef> coveredTrees = {}) : trees(std::move(coveredTrees)) {}
};

// What the operation writes: the three trees; for Recover also the help key and the database
// engine's two keys of HKEY_LOCAL_MACHINE.
QList<RegKeyRef> keysWrittenBy(SnapshotOperation op);
// What importing these operations changes in the store as it is now: the trees the file deletes,
// the topmost keys it creates that do not exist yet, and every value it sets or deletes in keys
// that exist (values on a root key too). Nothing else: undoing an import touches nothing the
// import did not.
SnapshotScope importScope(const RegistryStore& store, const std::vector<RegOperation>& ops);
// Adds `key` to `keys` unless a key already there holds it; drops keys that `key` holds.
void addCoveredKey(QList<RegKeyRef>& keys, const RegKeyRef& key);

// The snapshot file's bytes for the scope as the store holds it now, handed to `sink` in pieces.
// A key or value name that a registry file cannot hold (a line break or a NUL in a key name, a
// NUL in a value name) throws OperationError naming it.
void writeSnapshot(const RegistryStore& store, const SnapshotScope& scope, SnapshotOperation op,
                   const QDateTime& time, const std::function<void(QByteArrayView)>& sink);
// The same bytes in one array.
QByteArray snapshotBytes(const RegistryStore& store, const SnapshotScope& scope, SnapshotOperation op,
                         const QDateTime& time);

// A snapshot read back and checked.
struct ParsedSnapshot
{
    QList<RegKeyRef> covered;
    std::vector<RegOperation> writes; // CreateKey, SetValue and DeleteValue, in file order
    std::optional<SnapshotOperation> operation;
    int keys = 0;
    int values = 0;
};

// Reads a snapshot. Anything that is not exactly what snapshotBytes writes in form (a registry
// file that does not parse, another header or encoding, a deletion after the first key line, a
// value deletion inside a covered tree, a missing or wrong closing count) throws OperationError
// "<file>, line <n>: <what>". Unless `force`, so does a file whose digest is missing or does not
// match (it was edited), one that covers a tree no operation of ours writes whole (a root,
// Software, System, Software\Wine, Software\Classes) and one of an operation other than an
// import or a restore that covers more than that operation writes.
ParsedSnapshot parseSnapshot(const QByteArray& bytes, const QString& fileName, bool force = false);

// Puts the covered trees back as the snapshot holds them: deletes each and writes its keys and
// values; then puts back the single values. Nothing is committed. A key the store refuses throws
// OperationError naming the line.
void restoreSnapshot(const ParsedSnapshot& snapshot, RegistryStore& store, const QString& fileName);

// One snapshot file in a prefix's folder.
struct SnapshotInfo
{
    QString id;   // the file name without ".reg"
    QString file; // absolute path
    QDateTime time;
    SnapshotOperation operation = SnapshotOperation::Apply;
};

// ISO 8601 with milliseconds and the local UTC offset: "2026-12-06T15:34:04.123+01:00".
QString isoTimeWithOffset(const QDateTime& time);

// The snapshots of one Wine prefix, in $XDG_STATE_HOME/vorlix7/snapshots/<prefix id>/ (the state
// home defaults to ~/.local/state). The prefix id is the prefix folder's name, a dash, and the
// first eight hex digits of the SHA-256 of its absolute path, so two prefixes with the same name
// keep apart. Files are named "<UTC time>-<operation>.reg", e.g. "20261206T143404.123Z-clear.reg",
// so that names sort by time; the newest kKeep are kept.
class SnapshotStore
{
  public:
    static constexpr int kKeep = 50;

    explicit SnapshotStore(const QString& prefixDir);

    static QString prefixId(const QString& prefixDir);
    static QString stateHome();
    const QString& folder() const { return m_folder; }

    // Writes a snapshot of the scope before `op` changes it, and reads it back to prove that it
    // restores what the store holds. A snapshot that cannot be written (folder missing and not
    // creatable, read-only, disk full, a name a registry file cannot hold) or does not read back
    // throws OperationError naming the folder, file or key; then nothing is left behind.
    SnapshotInfo take(const RegistryStore& store, SnapshotOperation op, const SnapshotScope& scope) const;
    // Drops the oldest snapshots beyond kKeep, never `kept` (the one just taken).
    void prune(const SnapshotInfo& kept) const;
    // Removes a snapshot taken for an operation that then changed nothing.
    void discard(const SnapshotInfo& info) const;

    // Newest first; those dated in the future (taken before the clock was set back) last.
    std::vector<SnapshotInfo> history() const;
    std::optional<SnapshotInfo> newest() const;
    bool empty() const { return !newest(); }
    // An id from the history, or a path to a snapshot file; throws OperationError when neither.
    QString resolve(const QString& idOrPath) const;

  private:
    QString m_folder;
};

// Reads and checks a snapshot file whole (as parseSnapshot); throws OperationError naming the
// file and line.
ParsedSnapshot readSnapshotFile(const QString& file, bool force = false);

} // namespace vx
