#pragma once

// Helpers for tests of our whole-file writes and of the sweep of their leftovers.

#include "platform/FileOps.h"

#include <QDir>
#include <QStringList>
#include <sys/wait.h>
#include <unistd.h>

namespace vx::test {

// The temporary files of our writers in a folder (by name, whoever wrote them).
inline QStringList temporaryFiles(const QString& dirPath)
{
    QStringList found;
    for (const QString& name : QDir(dirPath).entryList(QDir::Files | QDir::Hidden)) {
        if (temporaryFileWriter(name))
            found.append(name);
    }
    return found;
}

// The pid of a process that has ended (and been reaped), as a killed writer's would be.
inline pid_t deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace vx::test
