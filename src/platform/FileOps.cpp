#include "platform/FileOps.h"

#include "platform/Errors.h"

#include <QFileInfo>
#include <QSaveFile>

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
