#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

// A Windows shell link (".lnk") as the IDE's and this program's shortcuts need it: a target file,
// its working directory and arguments, all in Windows form.
struct ShellLinkData
{
    QString target;     // "C:\Program Files\Borland\Delphi7\bin\Delphi32.exe"
    QString workingDir; // may be empty
    QString arguments;  // may be empty
};

// The bytes of the link: the header, the link information holding the target in the ANSI code
// page (the form Wine reads), then the working directory and arguments in UTF-16. Throws
// OperationError naming `linkName` when the target does not fit the code page or is longer than
// a Windows path may be.
QByteArray shellLinkBytes(const ShellLinkData& link, int codePage, const QString& linkName);

// Writes the link to a host path, replacing a file there; the file is complete or untouched.
void writeShellLink(const QString& hostPath, const ShellLinkData& link);

} // namespace vx
