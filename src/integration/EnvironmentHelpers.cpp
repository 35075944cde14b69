#include "integration/EnvironmentHelpers.h"

#include "platform/AsciiCase.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/WineLauncher.h"
#include "platform/registry/RegistryStore.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::integration {

QString windowsSystemDirectory(const QString& prefixDir)
{
    return prefixArch(prefixDir) == WineHive::Arch::Win64 ? u"C:\\windows\\syswow64"_s
                                                          : u"C:\\windows\\system32"_s;
}

ProgramStart startDelphi(const Installation& inst, const QStringList& hostFiles)
{
    const QString exe = inst.delphiExeHost();
    QStringList arguments{exe};
    for (const QString& file : hostFiles)
        arguments << inst.bridge.toWindows(file);
    return startWindowsProgram(inst.prefix(), arguments, QFileInfo(exe).absolutePath());
}

RegistrationResult registerDebugger(const Installation& inst, const QString& folder)
{
    // A folder chosen with its button ends with "\": the doubled separator names the same file.
    const QString library = folder + u"\\bordbk70.dll"_s;
    const QString fail = u"register bordbk70.dll fail"_s;
    if (!inst.bridge.fileExists(library))
        return {false, fail, library + u" does not exist."_s};
    const ProgramStart start = startWindowsProgram(inst.prefix(), {u"regsvr32"_s, u"/s"_s, library});
    if (!start.started)
        return {false, fail, start.error};
    return {true, u"register bordbk70.dll success"_s, {}};
}

QString runtimeCopyLabel(const QString& languageName, const QString& systemDir, const QString& delphiRoot)
{
    if (equalsIgnoringAsciiCase(languageName, u"CHINESE"))
        return u"从 <"_s + systemDir + u"> 复制文件到 <"_s + delphiRoot + u"Bin>."_s;
    return u"Copy these files from <"_s + systemDir + u"> to <"_s + delphiRoot + u"Bin>."_s;
}

CopyResult copyRuntimeFiles(const Installation& inst, const QString& systemDir, const QStringList& names)
{
    CopyResult result;
    for (const QString& name : names) {
        const QString source = systemDir + u'\\' + name;
        const QString sourceHost = inst.bridge.toHost(source);
        const QString targetHost = inst.bridge.toHost(inst.delphiRoot + u"Bin\\"_s + name);
        bool ok = !sourceHost.isEmpty() && !targetHost.isEmpty() && QFileInfo(sourceHost).isFile() &&
                  QFileInfo(QFileInfo(targetHost).absolutePath()).isDir() &&
                  !(QFileInfo::exists(targetHost) && isReadOnlyFile(targetHost));
        if (ok) {
            QFile in(sourceHost);
            ok = in.open(QIODevice::ReadOnly);
            if (ok) {
                const QByteArray data = in.readAll();
                ok = in.error() == QFileDevice::NoError;
                try {
                    if (ok)
                        writeFileAtomically(targetHost, data);
                } catch (const OperationError&) {
                    ok = false;
                }
            }
        }
        if (!ok) {
            result.failedSource = source;
            result.message = u"Copy file ["_s + source + u"] Error!"_s;
            return result;
        }
        ++result.copied;
    }
    result.message = u"Done."_s;
    return result;
}

} // namespace vx::integration
