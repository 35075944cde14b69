#include "platform/Installation.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx {

Installation Installation::locate(const QString& hostDir, const QString& prefixOverride)
{
    const QString root = QDir::cleanPath(QFileInfo(hostDir).absoluteFilePath());
    const QString prefix = prefixOverride.isEmpty()
                               ? PathBridge::discoverPrefix(root)
                               : QDir::cleanPath(QFileInfo(prefixOverride).absoluteFilePath());
    Installation inst{root, {}, PathBridge(prefix)};
    inst.delphiRoot = inst.bridge.toWindowsDir(root);
    return inst;
}

QString Installation::delphiExeWindows() const
{
    return delphiRoot + u"bin\\Delphi32.exe"_s;
}

QString Installation::delphiExeHost() const
{
    return bridge.toHost(delphiExeWindows());
}

} // namespace vx
