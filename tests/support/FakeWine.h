#pragma once

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vx::test {

// Puts a recording `wine` first on PATH (or none at all) for the life of the object.
class FakeWine
{
  public:
    explicit FakeWine(bool present)
    {
        m_oldPath = qgetenv("PATH");
        if (present) {
            test::writeAll(m_dir.filePath(QStringLiteral("wine")),
                           "#!/bin/sh\n"
                           "{ printf '%s\\n' \"WINEPREFIX=$WINEPREFIX\" \"$@\"; } > \"$0.part\"\n"
                           "mv \"$0.part\" \"$0.log\"\n");
            QFile::setPermissions(m_dir.filePath(QStringLiteral("wine")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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

// A process that holds a wineserver's lock as a running server does, in a server directory made
// for the test (its parent too, with the mode Wine demands, when it is missing).
class FakeWineserver
{
  public:
    explicit FakeWineserver(const QString& dir) : m_dir(dir)
    {
        const QString base = QFileInfo(dir).path();
        m_madeBase = !QFileInfo::exists(base);
        ::mkdir(QFile::encodeName(base).constData(), 0700);
        ::mkdir(QFile::encodeName(dir).constData(), 0700);
        const QByteArray lock = QFile::encodeName(dir + QStringLiteral("/lock"));
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(lock.constData(), O_RDWR | O_CREAT, 0600);
            struct flock fl
            {
            };
            fl.l_type = F_WRLCK;
            fl.l_len = 1;
            const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0) ? '1' : '0';
            [[maybe_unused]] auto w = ::write(ready[1], &ok, 1);
            char c;
            [[maybe_unused]] auto r = ::read(release[0], &c, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char ok = '0';
        [[maybe_unused]] auto r = ::read(ready[0], &ok, 1);
        ::close(ready[0]);
        m_locked = ok == '1';
        m_release = release[1];
    }
    void stop()
    {
        if (m_pid > 0) {
            ::close(m_release);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    ~FakeWineserver()
    {
        stop();
        QDir(m_dir).removeRecursively();
        if (m_madeBase)
            QDir().rmdir(QFileInfo(m_dir).path());
    }
    bool locked() const { return m_locked; }
    pid_t pid() const { return m_pid; }

  private:
    QString m_dir;
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
    bool m_madeBase = false;
};

} // namespace vx::test
