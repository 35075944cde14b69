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
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
        tmp.name = dir + "/." + QFile::encodeName(info.fileName()) + ".vx-"
            + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        tmp.fd = ::open(tmp.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (tmp.fd < 0 && errno != EEXIST)
            break;
    }
    if (tmp.fd < 0) {
        tmp.name.clear();
        throw FileWriteError(hostPath);
    }
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
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
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
