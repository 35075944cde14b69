#include "platform/FileOps.h"

#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
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

bool durableStepFails(DurableWriteStep step, const QString& hostPath)
{
    return durableFaultHook() && durableFaultHook()(step, hostPath);
}

// Closes the descriptor and removes the temporary file unless it was renamed.
class TemporaryFile
{
public:
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
} // namespace

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

bool writeAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::pwrite(fd, data.constData() + done, size_t(data.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A temporary file beside `target` holding `data`, flushed to the disk; its name is in `tmp`.
// `mode` < 0 leaves the kernel's rw-r--r-- less the umask. False on any failure.
bool writeTemporary(TemporaryFile& tmp, const QByteArray& target, const QByteArray& data, int mode,
                    const QString& hostPath)
{
    if (durableStepFails(DurableWriteStep::OpenTemporary, hostPath))
        return false;
    const QByteArray stem = parentOf(target) + "/." + leafOf(target) + ".vx-";
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
        tmp.name = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        tmp.fd = ::open(tmp.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (tmp.fd < 0 && errno != EEXIST)
            break;
    }
    if (tmp.fd < 0) {
        tmp.name.clear();
        return false;
    }
    if (mode >= 0 && ::fchmod(tmp.fd, mode_t(mode)) != 0)
        return false;
    if (durableStepFails(DurableWriteStep::Write, hostPath) || !writeAll(tmp.fd, data))
        return false;
    if (durableStepFails(DurableWriteStep::Sync, hostPath) || ::fsync(tmp.fd) != 0)
        return false;
    ::close(tmp.fd);
    tmp.fd = -1;
    return true;
}

void syncDirectoryOf(const QByteArray& path)
{
    const int dirFd = ::open(parentOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

QString resolveSymbolicLinks(const QString& hostPath)
{
    QByteArray path = QFile::encodeName(QFileInfo(hostPath).absoluteFilePath());
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return QFile::decodeName(path);
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return QFile::decodeName(path);
        target.truncate(n);
        path = target.startsWith('/') ? target : parentOf(path) + '/' + target;
    }
    throw OperationError(hostPath + u" is a symbolic link that never leads to a file (its links run in a circle)."_s);
}

PreparedFileWrite::PreparedFileWrite(const QString& hostPath, const QByteArray& data)
    : m_hostPath(hostPath), m_target(resolveSymbolicLinks(hostPath)), m_data(data)
{
    const QFileInfo info(m_target);
    if (isReadOnlyFile(m_target) || info.isDir())
        throw FileWriteError(hostPath);
    struct stat st {};
    m_inPlace = ::stat(QFile::encodeName(m_target).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1;
    try {
        if (m_inPlace)
            prepareInPlace();
        else
            prepareReplacement();
    } catch (...) {
        // No destructor runs for a constructor that throws.
        if (m_fd >= 0)
            ::close(m_fd);
        throw;
    }
}

PreparedFileWrite::~PreparedFileWrite()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_tmpName.isEmpty())
        ::unlink(m_tmpName.constData());
    if (m_inPlace && !m_committed)
        QFile::remove(savedOldPath());
}

void PreparedFileWrite::prepareReplacement()
{
    const QByteArray target = QFile::encodeName(m_target);
    struct stat st {};
    const int mode = ::stat(target.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    TemporaryFile tmp;
    if (!writeTemporary(tmp, target, m_data, mode, m_hostPath))
        throw FileWriteError(m_hostPath);
    m_tmpName = tmp.name;
    tmp.name.clear();
}

void PreparedFileWrite::prepareInPlace()
{
    const QByteArray target = QFile::encodeName(m_target);
    m_fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0)
        throw FileWriteError(m_hostPath);
    QFile current;
    if (!current.open(m_fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw FileWriteError(m_hostPath);
    m_old = current.readAll();
    current.close();

    const QByteArray saved = QFile::encodeName(savedOldPath());
    struct stat st {};
    ::fstat(m_fd, &st);
    TemporaryFile tmp;
    if (durableStepFails(DurableWriteStep::SaveOld, m_hostPath)
        || !writeTemporary(tmp, saved, m_old, int(st.st_mode & 07777), m_hostPath)
        || ::rename(tmp.name.constData(), saved.constData()) != 0)
        throw FileWriteError(savedOldPath());
    tmp.name.clear();
    syncDirectoryOf(saved);
}

void PreparedFileWrite::commit()
{
    if (!m_inPlace) {
        if (durableStepFails(DurableWriteStep::Rename, m_hostPath)
            || ::rename(m_tmpName.constData(), QFile::encodeName(m_target).constData()) != 0)
            throw FileWriteError(m_hostPath);
        m_tmpName.clear();
        m_committed = true;
        return;
    }
    const bool written = !durableStepFails(DurableWriteStep::WriteInPlace, m_hostPath) && writeAll(m_fd, m_data)
        && ::ftruncate(m_fd, off_t(m_data.size())) == 0 && ::fsync(m_fd) == 0;
    if (!written) {
        // The file may hold part of the new content: put the old one back.
        const bool restored = writeAll(m_fd, m_old) && ::ftruncate(m_fd, off_t(m_old.size())) == 0 && ::fsync(m_fd) == 0;
        m_committed = true; // the saved copy stays
        if (restored)
            throw OperationError(u"Unable to write to "_s + m_hostPath + u"; it was left as it was (a copy of it is in "_s
                                 + savedOldPath() + u")."_s);
        throw OperationError(u"Unable to write to "_s + m_hostPath + u", which may now be damaged; its previous content is in "_s
                             + savedOldPath() + u'.');
    }
    m_committed = true;
    QFile::remove(savedOldPath());
}

void PreparedFileWrite::flushDirectory() const
{
    syncDirectoryOf(QFile::encodeName(m_target));
}

void writeFileDurably(const QString& hostPath, const QByteArray& data)
{
    PreparedFileWrite write(hostPath, data);
    write.commit();
    write.flushDirectory();
}

void writeFileAtomically(const QString& hostPath, const QByteArray& data)
{
    const QFileInfo info(hostPath);
    if (isReadOnlyFile(hostPath) || info.isDir())
        throw FileWriteError(hostPath);
    const QFileInfo dir(info.absolutePath());
    if (!dir.isDir() || !(dir.permissions() & kAnyWrite))
        throw FileWriteError(hostPath);
    if (faultHook() && faultHook()(hostPath))
        throw FileWriteError(hostPath);

    QSaveFile file(hostPath);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw FileWriteError(hostPath);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        throw FileWriteError(hostPath);
    }
    if (!file.commit())
        throw FileWriteError(hostPath);
}

} // namespace vx
