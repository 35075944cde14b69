#pragma once

#include <QString>
#include <QStringList>

namespace vx {

// Starting Windows programs: through `wine` from PATH, with WINEPREFIX set to the prefix, as an
// argument list (never through a shell), without waiting for the program.
struct ProgramStart
{
    bool started = false;
    QString error; // why it did not start, in the program's words, naming what is missing
};

// `arguments` begins with the Windows program ("regsvr32", a host path of an .exe, ...).
ProgramStart startWindowsProgram(const QString& prefixDir, const QStringList& arguments,
                                 const QString& workingDir = {});

} // namespace vx
