#include "platform/FileOps.h"

#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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
    return dir + "/." + fileName + kTemporaryMarker + QByteArray::number(qint64(::getpid())) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 36);
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

// Writes the whole of `data`: at the file's offset, or from the start of the file (`fromStart`),
// wherever its offset stands.
bool writeAll(int fd, const QByteArray& data, bool fromStart = false)
{
    for (qsizetype done = 0; done < data.size();) {
        const size_t left = size_t(data.size() - done);
        const ssize_t n = fromStart ? ::pwrite(fd, data.constData() + done, left, off_t(done))
                                    : ::write(fd, data.constData() + done, left);
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
    struct stat st
    {
    };
    TemporaryFile tmp;
    bool ok = ::fstat(in, &st) == 0 && createTemporary(tmp, dir, fileName) &&
              ::fchmod(tmp.fd, st.st_mode & 07777) == 0;
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
        struct stat st
        {
        };
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlinkat(dirFd, e->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

FileStamp fileStamp(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 ? stampOf(st) : FileStamp{};
}

FileStamp fileStamp(const QString& hostPath)
{
    struct stat st
    {
    };
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

bool durableStepFails(DurableWriteStep step, const QString& hostPath)
{
    return durableFaultHook() && durableFaultHook()(step, hostPath);
}

void setDurableWriteFaultHook(std::function<bool(DurableWriteStep, const QString&)> hook)
{
    durableFaultHook() = std::move(hook);
}

namespace {

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

QByteArray leafOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Content written to a descriptor through a buffer of its own. Every few hundred kilobytes the
// kernel is asked to start putting what was written on the disk, so that the flush at the end
// finds little left to do.
class FileSink final : public ContentSink
{
  public:
    explicit FileSink(int fd) : m_fd(fd), m_buffer(new char[size_t(kBuffer)]) {}
    void write(QByteArrayView bytes) override
    {
        if (m_failed)
            return;
        if (m_used + bytes.size() > kBuffer) {
            flush();
            if (bytes.size() >= kBuffer) {
                put(bytes);
                return;
            }
        }
        std::memcpy(m_buffer.get() + m_used, bytes.data(), size_t(bytes.size()));
        m_used += bytes.size();
    }
    void restart() override
    {
        m_used = 0;
        m_offset = 0;
        m_started = 0;
        m_failed = m_failed || ::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0;
    }
    // Writes what the buffer holds; false when any write failed.
    bool finish()
    {
        flush();
        return !m_failed;
    }

  private:
    static constexpr qsizetype kBuffer = 64 * 1024;
    static constexpr off_t kWriteBack = 512 * 1024;

    void flush()
    {
        put(QByteArrayView(m_buffer.get(), m_used));
        m_used = 0;
    }
    void put(QByteArrayView bytes)
    {
        if (m_failed || bytes.isEmpty())
            return;
        m_failed = !writeAll(m_fd, QByteArray::fromRawData(bytes.data(), bytes.size()));
        m_offset += off_t(bytes.size());
        if (!m_failed && m_offset - m_started >= kWriteBack) {
            ::sync_file_range(m_fd, m_started, m_offset - m_started, SYNC_FILE_RANGE_WRITE);
            m_started = m_offset;
        }
    }

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    off_t m_offset = 0;  // bytes written to the file
    off_t m_started = 0; // bytes whose write-back was started
    bool m_failed = false;
};

// A temporary file beside `target` holding what `produce` writes, flushed to the disk; its name is
// in `tmp`. `mode` < 0 leaves the kernel's rw-r--r-- less the umask. False on any failure.
bool writeTemporary(TemporaryFile& tmp, const QByteArray& target, const ContentProducer& produce, int mode,
                    const QString& hostPath)
{
    if (durableStepFails(DurableWriteStep::OpenTemporary, hostPath))
        return false;
    if (!createTemporary(tmp, parentOf(target), leafOf(target)))
        return false;
    if (mode >= 0 && ::fchmod(tmp.fd, mode_t(mode)) != 0)
        return false;
    if (durableStepFails(DurableWriteStep::Write, hostPath))
        return false;
    FileSink sink(tmp.fd);
    produce(sink);
    if (!sink.finish())
        return false;
    if (durableStepFails(DurableWriteStep::Sync, hostPath) || ::fsync(tmp.fd) != 0)
        return false;
    ::close(tmp.fd);
    tmp.fd = -1;
    return true;
}

ContentProducer producerOf(const QByteArray& data)
{
    return [&data](ContentSink& sink) { sink.write(data); };
}

void syncDirectoryOf(const QByteArray& path)
{
    syncDirectory(parentOf(path));
}

} // namespace

QString resolveSymbolicLinks(const QString& hostPath)
{
    QByteArray path = QFile::encodeName(QFileInfo(hostPath).absoluteFilePath());
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return QFile::decodeName(path);
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return QFile::decodeName(path);
        target.truncate(n);
        path = target.startsWith('/') ? target : parentOf(path) + '/' + target;
    }
    throw OperationError(hostPath +
                         u" is a symbolic link that never leads to a file (its links run in a circle)."_s);
}

PreparedFileWrite::PreparedFileWrite(const QString& hostPath, const QByteArray& data)
    : m_hostPath(hostPath), m_target(resolveSymbolicLinks(hostPath)), m_data(data)
{
    const QFileInfo info(m_target);
    if (isReadOnlyFile(m_target) || info.isDir())
        throw FileWriteError(hostPath);
    const QByteArray target = QFile::encodeName(m_target);
    struct stat st
    {
    };
    const bool exists = ::stat(target.constData(), &st) == 0;
    m_inPlace = exists && S_ISREG(st.st_mode) && st.st_nlink > 1;
    if (m_inPlace) {
        // The old content is kept in memory, to be written back should the overwrite fail.
        QFile current(m_target);
        if (!current.open(QIODevice::ReadOnly))
            throw FileWriteError(hostPath);
        m_old = current.readAll();
    }
    // The new content goes under its prepared name through a temporary file, so that the name
    // never stands for a file whose data is not complete on the disk.
    const QByteArray prepared = QFile::encodeName(preparedPath());
    TemporaryFile tmp;
    if (!writeTemporary(tmp, target, producerOf(m_data), exists ? int(st.st_mode & 07777) : -1, m_hostPath) ||
        durableStepFails(DurableWriteStep::Prepare, m_hostPath) ||
        ::rename(tmp.name.constData(), prepared.constData()) != 0)
        throw FileWriteError(hostPath);
    tmp.name.clear();
    m_prepared = true;
    syncDirectoryOf(prepared);
}

PreparedFileWrite::~PreparedFileWrite()
{
    if (m_prepared)
        ::unlink(QFile::encodeName(preparedPath()).constData());
}

void PreparedFileWrite::commit()
{
    const QByteArray target = QFile::encodeName(m_target);
    const QByteArray prepared = QFile::encodeName(preparedPath());
    if (!m_inPlace) {
        if (durableStepFails(DurableWriteStep::Rename, m_hostPath) ||
            ::rename(prepared.constData(), target.constData()) != 0)
            throw FileWriteError(m_hostPath);
        m_prepared = false;
        return;
    }
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && !durableStepFails(DurableWriteStep::WriteInPlace, m_hostPath) &&
                         writeAll(fd, m_data, true) && ::ftruncate(fd, off_t(m_data.size())) == 0 &&
                         ::fsync(fd) == 0;
    if (written) {
        ::close(fd);
        return; // the prepared copy is removed by the destructor
    }
    // The file may hold part of the new content: put the old one back.
    const bool restored =
        fd >= 0 && writeAll(fd, m_old, true) && ::ftruncate(fd, off_t(m_old.size())) == 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (restored)
        throw OperationError(u"Unable to write to "_s + m_hostPath + u"; it was left as it was."_s);
    // Its new content stays prepared, for finishInterrupted() to write when it can.
    m_prepared = false;
    m_leftPrepared = true;
    throw OperationError(u"Unable to write to "_s + m_hostPath +
                         u", which may now be damaged; its new content is in "_s + preparedPath() + u'.');
}

void PreparedFileWrite::flushDirectory() const
{
    syncDirectoryOf(QFile::encodeName(m_target));
}

bool PreparedFileWrite::finishInterrupted(const QString& target, bool inPlace)
{
    const QByteArray name = QFile::encodeName(target);
    const QByteArray prepared = name + ".vx-new";
    struct stat st
    {
    };
    if (::stat(prepared.constData(), &st) != 0)
        return false;
    if (!inPlace) {
        if (::rename(prepared.constData(), name.constData()) != 0)
            throw FileWriteError(target);
        syncDirectoryOf(name);
        return true;
    }
    QFile source(QFile::decodeName(prepared));
    if (!source.open(QIODevice::ReadOnly))
        throw OperationError(u"Unable to read "_s + source.fileName());
    const QByteArray data = source.readAll();
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && writeAll(fd, data, true) && ::ftruncate(fd, off_t(data.size())) == 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw FileWriteError(target);
    ::unlink(prepared.constData());
    syncDirectoryOf(name);
    return true;
}

void PreparedFileWrite::discardInterrupted(const QString& target)
{
    const QByteArray name = QFile::encodeName(target);
    for (const char* suffix : {".vx-new", ".vx-old"})
        ::unlink(QByteArray(name + suffix).constData());
}

void writeFileDurably(const QString& hostPath, const QByteArray& data)
{
    PreparedFileWrite write(hostPath, data);
    write.commit();
    write.flushDirectory();
}

void writeFileAtomically(const QString& hostPath, const QByteArray& data, const AtomicWriteOptions& options)
{
    writeFileAtomically(hostPath, producerOf(data), options);
}

void writeFileAtomically(const QString& hostPath, const ContentProducer& produce,
                         const AtomicWriteOptions& options)
{
    const QFileInfo info(resolveSymbolicLinks(hostPath));
    if (isReadOnlyFile(hostPath) || info.isDir())
        throw FileWriteError(hostPath);
    const QFileInfo dirInfo(info.absolutePath());
    if (!dirInfo.isDir() || !(dirInfo.permissions() & kAnyWrite))
        throw FileWriteError(hostPath);
    if (faultHook() && faultHook()(hostPath))
        throw FileWriteError(hostPath);

    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    struct stat st
    {
    };
    const bool replacing = ::stat(target.constData(), &st) == 0;

    // Flushed before it takes the target's name, so that the name never stands for a file whose
    // data is not yet on the disk.
    TemporaryFile tmp;
    if (!writeTemporary(tmp, target, produce, replacing ? int(st.st_mode & 07777) : -1, hostPath))
        throw FileWriteError(hostPath);
    if (options.written) {
        *options.written = fileStamp(QFile::decodeName(tmp.name));
        if (!options.written->exists)
            throw FileWriteError(hostPath);
    }

    if (replacing && !options.backupPath.isEmpty() && !makeBackup(target, options.backupPath))
        throw FileWriteError(options.backupPath);
    if (::rename(tmp.name.constData(), target.constData()) != 0)
        throw FileWriteError(hostPath);
    tmp.name.clear();
}

} // namespace vx
