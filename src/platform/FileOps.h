#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace vx {

// A file counts as read-only when it exists and no write permission bit is set for anyone: the
// mapping Wine uses for the Windows read-only attribute. Deliberately not access(): the program
// and its tests may run as root, who may write anything.
bool isReadOnlyFile(const QString& hostPath);

// What identifies one version of a file on disk: a file replaced, rewritten or touched since gets
// another stamp (except for a rewrite of the same size within the file system's time resolution).
struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 modifiedNs = 0; // modification time in nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file as it is now (symbolic links followed); `exists` false when it is missing.
FileStamp fileStamp(const QString& hostPath);
// The stamp of an open file.
FileStamp fileStamp(int fd);

struct AtomicWriteOptions
{
    // When set and the target exists, the file being replaced stays under this name: a hard link
    // to it (a copy where the file system cannot link) replaces an older backup in one step, after
    // the new content is safely on disk and before it is renamed over the target. The target
    // therefore always exists, with its old or its new content. A backup that cannot be made
    // throws FileWriteError naming the backup, and the target is left as it was.
    QString backupPath;
    // Receives the stamp of the file written (taken before it replaced the target, so a writer that
    // comes after us gets another stamp).
    FileStamp* written = nullptr;
};

// Replaces the file's content in one step: the data goes to a temporary file beside it (beside the
// file a symbolic link points to), which is flushed to the disk and renamed over the target, so a
// failure or a kill never leaves a truncated file behind. The new file keeps the permission bits
// of the one it replaces. A read-only target or directory, a missing directory or a failing write
// throws FileWriteError naming `hostPath`; the previous file is then untouched.
void writeFileAtomically(const QString& hostPath, const QByteArray& data,
                         const AtomicWriteOptions& options = {});

// Receives a file's content piece by piece, so that a large content is never held in memory whole.
class ContentSink
{
  public:
    virtual ~ContentSink() = default;
    virtual void write(QByteArrayView bytes) = 0;
    // Drops everything written so far: the content starts again from nothing.
    virtual void restart() = 0;
};
using ContentProducer = std::function<void(ContentSink& sink)>;
// The same replacement with content that `produce` writes as it makes it. What it writes goes to
// the temporary file in pieces, and the disk starts storing them while the rest is still being
// made. An exception from `produce` leaves the target and its backup as they were.
void writeFileAtomically(const QString& hostPath, const ContentProducer& produce,
                         const AtomicWriteOptions& options = {});

// Our temporary files are named ".<file>.vxtmp-<pid>-<random>" and are locked (flock) by their
// writer while it writes. Removes those in `dirPath` that a killed writer left behind: the writer's
// process is gone and no one holds the lock. Files of running writers are left alone. Returns the
// number removed. Called by every write through this file and by the INI store when it opens a file.
int removeStaleTemporaryFiles(const QString& dirPath);
// The name part that marks our temporary files, and the pid in such a name (nullopt for others).
inline constexpr char kTemporaryMarker[] = ".vxtmp-";
std::optional<pid_t> temporaryFileWriter(QStringView fileName);

// Test seam: when set, the hook is asked before every atomic write and a `true` answer makes the
// write fail as a full disk would. Pass an empty function to remove it.
void setWriteFaultHook(std::function<bool(const QString& hostPath)> hook);

// The steps of a durable write, as the fault hook names them: the temporary file's creation,
// writing and flushing, its rename to the prepared name, then the replacement (Rename, or
// WriteInPlace for a file with several hard links). Journal and Finish are the steps a caller
// adds around the replacements of several files: recording the intent and forgetting it.
enum class DurableWriteStep { OpenTemporary, Write, Sync, Prepare, Journal, Rename, WriteInPlace, Finish };

// The file a path names once symbolic links are followed to their end: the path itself when it is
// no link, the last target named when that does not exist. Throws OperationError naming
// `hostPath` for links that run in a circle.
QString resolveSymbolicLinks(const QString& hostPath);

// New content for a file, prepared in full before it replaces the old, so that several files can
// be changed together: prepare every one, then commit them one after another.
//
// The file written is the one `hostPath` names after following symbolic links, so a link stays a
// link and its target gets the content. Preparing writes the data to a temporary file in that
// file's directory, flushes it to the disk (fsync) and renames it to "<file>.vx-new", so that the
// new content survives a crash under a name that only this class uses. commit() renames it over
// the file, so a reader sees the old content or the new, never a mix. The new file keeps the
// permission bits of the old (rw-r--r-- less the umask for a new one).
//
// A file with several hard links would be split from its other names by a rename, so it is
// written in place, as Wine writes such a hive: commit() overwrites the file and flushes it; the
// prepared copy goes afterwards. A crash during the overwrite leaves a torn file and the
// prepared copy, from which finishInterrupted() completes it. When the overwrite fails, the old
// content (read when preparing) is written back.
//
// A read-only file, a directory, or a failing step throws FileWriteError naming `hostPath`; a
// write that is prepared but never committed is undone by the destructor.
class PreparedFileWrite
{
  public:
    PreparedFileWrite(const QString& hostPath, const QByteArray& data);
    ~PreparedFileWrite();
    PreparedFileWrite(const PreparedFileWrite&) = delete;
    PreparedFileWrite& operator=(const PreparedFileWrite&) = delete;

    const QString& hostPath() const { return m_hostPath; }
    // The file that receives the content (after symbolic links).
    const QString& targetPath() const { return m_target; }
    // Whether the file has several hard links and is written in place.
    bool inPlace() const { return m_inPlace; }
    // Where the new content waits until commit().
    QString preparedPath() const { return m_target + u".vx-new"; }

    // Replaces the content: a rename, or for a file written in place the overwrite. Nothing else
    // happens in between, so that the commits of several files follow each other closely. Throws
    // OperationError (FileWriteError for a failed rename) naming the file; the old content then
    // stays (for a file written in place: is written back, or when that fails too the prepared
    // copy is kept and named).
    void commit();
    // Whether a failed commit() left the prepared copy for finishInterrupted() (the file may be
    // damaged and its old content could not be written back).
    bool leftPrepared() const { return m_leftPrepared; }
    // Flushes the directory, making a rename durable; call after commit().
    void flushDirectory() const;

    // After a crash: completes the replacement of `target` (a file's path after symbolic links)
    // when its prepared copy is there, by a rename or, `inPlace`, by writing the copy's content
    // into the file. False when there was no copy (the replacement was done). Throws
    // OperationError naming the file when it cannot be completed.
    static bool finishInterrupted(const QString& target, bool inPlace);
    // Removes what a write that never began to replace `target` left beside it.
    static void discardInterrupted(const QString& target);

  private:
    QString m_hostPath;
    QString m_target;
    QByteArray m_data;
    QByteArray m_old; // in place: the content before, to write back on failure
    bool m_inPlace = false;
    bool m_prepared = false; // the prepared copy exists and belongs to this write
    bool m_leftPrepared = false;
};

// Replaces a file's content through a PreparedFileWrite: prepared, committed, and its directory
// flushed. Throws as PreparedFileWrite does; the previous content is then untouched.
void writeFileDurably(const QString& hostPath, const QByteArray& data);

// Whether the fault hook below makes `step` fail for `hostPath`.
bool durableStepFails(DurableWriteStep step, const QString& hostPath);

// Test seam: asked before each step of a durable write (and of the temporary file of an atomic one); a `true`
// answer makes that step fail as the system call would. `hostPath` is the path the write was asked for. Pass
// an empty function to remove it.
void setDurableWriteFaultHook(std::function<bool(DurableWriteStep step, const QString& hostPath)> hook);

} // namespace vx
