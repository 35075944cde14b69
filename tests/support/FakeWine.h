#pragma once

#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace vx::test {

// Puts a recording `wine` first on PATH (or none at all) for the life of the object.
class FakeWine
{
public:
    explicit FakeWine(bool present)
    {
        m_oldPath = qgetenv("PATH");
        if (present) {
            test::writeAll(m_dir.filePath(QStringLiteral("wine")), "#!/bin/sh\n"
                                                      "{ printf '%s\\n' \"WINEPREFIX=$WINEPREFIX\" \"$@\"; } > \"$0.part\"\n"
                                                      "mv \"$0.part\" \"$0.log\"\n");
            QFile::setPermissions(m_dir.filePath(QStringLiteral("wine")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(m_dir.path()) + (present ? ":/usr/bin:/bin" : ""));
    }
    ~FakeWine() { qputenv("PATH", m_oldPath); }
    // The lines the fake recorded: the prefix, then each argument.
    QStringList calls() const
    {
        const QString log = m_dir.filePath(QStringLiteral("wine.log"));
        for (int i = 0; i < 100 && !QFileInfo::exists(log); ++i)
            QThread::msleep(50); // the program is started, not waited for
        return QString::fromUtf8(test::readAll(log)).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

} // namespace vx::test
