#include "app/Startup.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::app {

QString missingDelphiMessage(const Installation& installation)
{
    const QString exe = installation.delphiExeHost();
    if (!exe.isEmpty() && QFileInfo(exe).isFile())
        return {};
    return u"Delphi(Bin\\Delphi32.exe) is not found!\n\nPlease copy me to Delphi's directory and run again."_s;
}

} // namespace vx::app
