#pragma once

// Runs vorlix7-cli (VX_CLI_PATH) as a whole process, as a script would.

#include "fixtures/Sandbox.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vx::test {

struct CliRun
{
    int code = -1; // exit code, -1 when it crashed or did not end
    QByteArray out, err;
};

inline CliRun runCli(const QStringList& args,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(VX_CLI_PATH), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// A demo sandbox of its own per test, and the command line run on its Delphi directory with the
// snapshots kept in the test's folder.
class SandboxCliTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(QStringLiteral("prefix")));

    CliRun cli(const QStringList& args,
               QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) const
    {
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        return runCli(QStringList{QStringLiteral("--root"), sb.delphiHost} + args, env);
    }
    QByteArray userReg() const { return test::readAll(sb.prefix + QStringLiteral("/user.reg")); }
};

} // namespace vx::test
