#pragma once

// Runs vorlix7-cli (VX_CLI_PATH) as a whole process, as a script would.

#include <QProcess>
#include <QStringList>

namespace vx::test {

struct CliRun
{
    int code = -1; // exit code, -1 when it crashed or did not end
    QByteArray out, err;
};

inline CliRun runCli(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(VX_CLI_PATH), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace vx::test
