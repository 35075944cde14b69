#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace vx {

// A file counts as read-only when it exists and no write permission bit is set for anyone: the
// mapping Wine uses for the Windows read-only attribute. Deliberately not access(): the program
// and its tests may run as root, who may write anything.
bool isReadOnlyFile(const QString& hostPath);

// Replaces the file's content in one step: the data goes to a temporary file beside it, which is
// flushed and renamed over the target, so a failure never leaves a truncated file behind. A
// read-only target or directory, a missing directory or a failing write throws FileWriteError
// naming `hostPath`; the previous file is then untouched.
void writeFileAtomically(const QString& hostPath, const QByteArray& data);

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
