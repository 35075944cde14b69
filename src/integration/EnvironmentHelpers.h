#pragma once

#include "platform/WineLauncher.h"

#include <QString>
#include <QStringList>

namespace vx {

struct Installation;

namespace integration {

// The Windows system directory the 32-bit IDE sees: "C:\windows\syswow64" in a win64 prefix,
// "C:\windows\system32" in a win32 one.
QString windowsSystemDirectory(const QString& prefixDir);

// Starts the IDE through Wine, in its bin folder, with files given by their host paths (as the
// Linux desktop hands them over). Each file is passed in the Windows form Wine's own shell would
// give it: through the prefix's drive that holds it, else through Z:, so the IDE never reads a
// leading "/" as a switch.
ProgramStart startDelphi(const Installation& installation, const QStringList& hostFiles = {});

// The registration of the IDE's debugger library "bordbk70.dll" in `folder` (Windows form, as
// the Option page shows it): "regsvr32 /s" through Wine, not waited for.
struct RegistrationResult
{
    bool success = false;
    QString message; // "register bordbk70.dll success" or "register bordbk70.dll fail"
    QString reason;  // on failure: what is missing (the library, Wine), for the status bar
};
RegistrationResult registerDebugger(const Installation& installation, const QString& folder);

// The label of the runtime-file confirmation, in Chinese when the language is "CHINESE" (ASCII
// case ignored).
QString runtimeCopyLabel(const QString& languageName, const QString& systemDir, const QString& delphiRoot);

// Copies each named file from the system directory into DelphiRoot + "Bin", in order, replacing
// what is there; stops at the first failure. Each file is written to a temporary name and renamed,
// so a failure never leaves a truncated file in Bin; a read-only target counts as a failure, as
// it does on Windows.
struct CopyResult
{
    int copied = 0;
    QString failedSource; // Windows form, empty when every file was copied
    QString message;      // "Done." or "Copy file [S\L] Error!"
};
CopyResult copyRuntimeFiles(const Installation& installation, const QString& systemDir,
                            const QStringList& names);

} // namespace integration
} // namespace vx
