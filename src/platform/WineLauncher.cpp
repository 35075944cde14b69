#include "platform/WineLauncher.h"

#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vx {

ProgramStart startWindowsProgram(const QString& prefixDir, const QStringList& arguments,
                                 const QString& workingDir)
{
    const QString wine = QStandardPaths::findExecutable(u"wine"_s);
    const QString program = arguments.value(0);
    if (wine.isEmpty())
        return {false, u"Wine is needed to run "_s + program + u", and no wine program was found on PATH."_s};
    QProcess process;
    process.setProgram(wine);
    process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEPREFIX"_s, prefixDir);
    process.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    if (!process.startDetached())
        return {false, u"Could not start "_s + wine + u" for "_s + program + u": "_s + process.errorString()};
    return {true, {}};
}

} // namespace vx
