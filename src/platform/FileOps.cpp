#include "platform/FileOps.h"

#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <limits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {
std::function<bool(const QString&)>& faultHook()
{
    static std::function<bool(const QString&)> hook;
    return hook;
}

// The "user" bits describe the running user (root may write anything), not the file.
constexpr QFileDevice::Permissions kAnyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
std::function<bool(DurableWriteStep, const QString&)>& durableFaultHook()
{
    static std::function<bool(DurableWriteStep, const QString&)> hook;
    return hook;
}

bool durableStepFails(DurableWriteStep step, const QString& hostPath)
{
    return durableFaultHook() && durableFaultHook()(step, hostPath);
}

// Closes the descriptor and removes the temporary file unless it was renamed.
class TemporaryFile
{
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
    int fd = -1;
    QByteArray name;
};

// ".<file>.vxtmp-<pid>-<random>" in `dir`.
QByteArray temporaryName(const QByteArray& dir, const QByteArray& fileName)
{
    return dir + "/." + fileName + kTemporaryMarker + QByteArray::number(qint64(::getpid())) + '-'
        + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// Creates a new temporary file in `dir` for `fileName` and locks it, after removing what killed
// writers left there. False (errno set) when no file could be created.
bool createTemporary(TemporaryFile& tmp, const QByteArray& dir, const QByteArray& fileName)
{
    removeStaleTemporaryFiles(QFile::decodeName(dir));
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
        tmp.name = temporaryName(dir, fileName);
        // A new file gets rw-r--r-- less the umask from the kernel.
        tmp.fd = ::open(tmp.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (tmp.fd < 0 && errno != EEXIST)
            break;
    }
    if (tmp.fd < 0) {
        tmp.name.clear();
        return false;
    }
    // Held until the descriptor closes: a sweeper in another process (or pid namespace) leaves the
    // file alone while it is being written.
    ::flock(tmp.fd, LOCK_EX | LOCK_NB);
    return true;
}

bool writeAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

FileStamp stampOf(const struct stat& st)
{
    FileStamp s;
    s.exists = true;
    s.size = qint64(st.st_size);
    s.device = quint64(st.st_dev);
    s.inode = quint64(st.st_ino);
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

void syncDirectory(const QByteArray& dir)
{
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// The file a write to `hostPath` replaces: the end of a chain of symbolic links, so that the link
// stays a link.
QString writeTarget(const QString& hostPath)
{
    QFileInfo info(hostPath);
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    return info.absoluteFilePath();
}

// Puts the current `target` under the name `backup`, replacing an older backup in one step: a hard
// link when the file system allows one, else a flushed copy.
bool makeBackup(const QByteArray& target, const QString& backupPath)
{
    const QFileInfo info(backupPath);
    const QByteArray backup = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    const QByteArray fileName = QFile::encodeName(info.fileName());

    QByteArray linkName;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryName(dir, fileName);
        if (::link(target.constData(), name.constData()) == 0) {
            linkName = name;
            break;
        }
        if (errno != EEXIST)
            break;
    }
    if (!linkName.isEmpty()) {
        if (::rename(linkName.constData(), backup.constData()) == 0)
            return true;
        ::unlink(linkName.constData());
        return false;
    }

    // No hard links here (another file system, a FAT stick): copy.
    const int in = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    TemporaryFile tmp;
    bool ok = ::fstat(in, &st) == 0 && createTemporary(tmp, dir, fileName) && ::fchmod(tmp.fd, st.st_mode & 07777) == 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(tmp.fd, QByteArray::fromRawData(buffer, n));
    }
    ::close(in);
    if (!ok || ::fsync(tmp.fd) != 0 || ::rename(tmp.name.constData(), backup.constData()) != 0)
        return false;
    tmp.name.clear();
    return true;
}
} // namespace

std::optional<pid_t> temporaryFileWriter(QStringView fileName)
{
    if (!fileName.startsWith(u'.'))
        return std::nullopt;
    const qsizetype marker = fileName.lastIndexOf(QLatin1StringView(kTemporaryMarker));
    if (marker <= 1)
        return std::nullopt;
    const QStringView rest = fileName.sliced(marker + qsizetype(sizeof kTemporaryMarker) - 1);
    const qsizetype dash = rest.indexOf(u'-');
    if (dash <= 0 || dash == rest.size() - 1)
        return std::nullopt;
    for (QChar c : rest.sliced(dash + 1)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z')))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 pid = rest.first(dash).toLongLong(&ok);
    if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || rest.startsWith(u'+'))
        return std::nullopt;
    return pid_t(pid);
}

int removeStaleTemporaryFiles(const QString& dirPath)
{
    const QByteArray dir = QFile::encodeName(dirPath.isEmpty() ? QStringLiteral(".") : dirPath);
    DIR* d = ::opendir(dir.constData());
    if (!d)
        return 0;
    int removed = 0;
    const int dirFd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] != '.' || !std::strstr(e->d_name, kTemporaryMarker))
            continue;
        const auto pid = temporaryFileWriter(QFile::decodeName(e->d_name));
        if (!pid || *pid == ::getpid())
            continue;
        if (::kill(*pid, 0) == 0 || errno == EPERM)
            continue; // its writer may still be at work
        const int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::unlinkat(dirFd, e->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

FileStamp fileStamp(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? stampOf(st) : FileStamp{};
}

FileStamp fileStamp(const QString& hostPath)
{
    struct stat st {};
    if (hostPath.isEmpty() || ::stat(QFile::encodeName(hostPath).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

bool isReadOnlyFile(const QString& hostPath)
{
    const QFileInfo info(hostPath);
    return info.exists() && !(info.permissions() & kAnyWrite);
}

void setWriteFaultHook(std::function<bool(const QString&)> hook)
{
    faultHook() = std::move(hook);
}

void setDurableWriteFaultHook(std::function<bool(DurableWriteStep, const QString&)> hook)
{
    durableFaultHook() = std::move(hook);
}

void writeFileDurably(const QString& hostPath, const QByteArray& data)
{
    const QFileInfo info(hostPath);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(info.absolutePath());

    if (isReadOnlyFile(hostPath) || info.isDir())
        throw FileWriteError(hostPath);
    struct stat st {};
    const bool replacing = ::stat(target.constData(), &st) == 0;

    TemporaryFile tmp;
    if (durableStepFails(DurableWriteStep::OpenTemporary, hostPath))
        throw FileWriteError(hostPath);
    // A new file gets rw-r--r-- less the umask from the kernel; a replaced one its old bits.
    if (!createTemporary(tmp, dir, QFile::encodeName(info.fileName())))
        throw FileWriteError(hostPath);
    if (replacing && ::fchmod(tmp.fd, st.st_mode & 07777) != 0)
        throw FileWriteError(hostPath);

    if (durableStepFails(DurableWriteStep::Write, hostPath))
        throw FileWriteError(hostPath);
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(tmp.fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileWriteError(hostPath);
        done += n;
    }

    if (durableStepFails(DurableWriteStep::Sync, hostPath) || ::fsync(tmp.fd) != 0)
        throw FileWriteError(hostPath);
    ::close(tmp.fd);
    tmp.fd = -1;

    if (durableStepFails(DurableWriteStep::Rename, hostPath) || ::rename(tmp.name.constData(), target.constData()) != 0)
        throw FileWriteError(hostPath);
    tmp.name.clear();

    // The rename is durable once the directory is.
    syncDirectory(dir);
}

void writeFileAtomically(const QString& hostPath, const QByteArray& data, const AtomicWriteOptions& options)
{
    const QFileInfo info(writeTarget(hostPath));
    if (isReadOnlyFile(hostPath) || info.isDir())
        throw FileWriteError(hostPath);
    const QFileInfo dirInfo(info.absolutePath());
    if (!dirInfo.isDir() || !(dirInfo.permissions() & kAnyWrite))
        throw FileWriteError(hostPath);
    if (faultHook() && faultHook()(hostPath))
        throw FileWriteError(hostPath);

    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    struct stat st {};
    const bool replacing = ::stat(target.constData(), &st) == 0;

    TemporaryFile tmp;
    if (!createTemporary(tmp, dir, QFile::encodeName(info.fileName())))
        throw FileWriteError(hostPath);
    if (replacing && ::fchmod(tmp.fd, st.st_mode & 07777) != 0)
        throw FileWriteError(hostPath);
    // Flushed before it takes the target's name, so that the name never stands for a file whose
    // data is not yet on the disk.
    if (!writeAll(tmp.fd, data) || ::fdatasync(tmp.fd) != 0)
        throw FileWriteError(hostPath);
    if (options.written) {
        struct stat written {};
        if (::fstat(tmp.fd, &written) != 0)
            throw FileWriteError(hostPath);
        *options.written = stampOf(written);
    }
    ::close(tmp.fd);
    tmp.fd = -1;

    if (replacing && !options.backupPath.isEmpty() && !makeBackup(target, options.backupPath))
        throw FileWriteError(options.backupPath);
    if (::rename(tmp.name.constData(), target.constData()) != 0)
        throw FileWriteError(hostPath);
    tmp.name.clear();
}

} // namespace vx
