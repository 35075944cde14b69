#pragma once

#include <QByteArray>
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
void writeFileAtomically(const QString& hostPath, const QByteArray& data, const AtomicWriteOptions& options = {});

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

// The steps of writeFileDurably, as the fault hook names them.
enum class DurableWriteStep { OpenTemporary, Write, Sync, Rename };

// Replaces a file through a temporary file in its own directory: the data is written, flushed to
// the disk (fsync), the temporary file renamed over the target and the directory flushed. The new
// file keeps the permission bits of the one it replaces (rw-r--r-- less the umask for a new one).
// A read-only target is refused like a failing write. A failure at any step removes the temporary file, leaves the target as it was and throws
// FileWriteError naming `hostPath`.
void writeFileDurably(const QString& hostPath, const QByteArray& data);

// Test seam: asked before each step of writeFileDurably; a `true` answer makes that step fail as
// the system call would. Pass an empty function to remove it.
void setDurableWriteFaultHook(std::function<bool(DurableWriteStep step, const QString& hostPath)> hook);

} // namespace vx
