#include "platform/Installation.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx {

Installation Installation::locate(const QString& hostDir, const QString& prefixOverride)
{
    const QString root = absoluteCleanPath(hostDir);
    const QString prefix =
        prefixOverride.isEmpty() ? PathBridge::discoverPrefix(root) : absoluteCleanPath(prefixOverride);
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

bool Installation::hasDelphiExe() const
{
    const QString exe = delphiExeHost();
    return !exe.isEmpty() && QFileInfo(exe).isFile();
}

} // namespace vx
