#pragma once

// A real Wine prefix for interop tests: made once per test suite with `wineboot -i`, its server
// stopped after every step so that the hive files on disk are what Wine saved. Tests skip (with
// the reason) when Wine is not installed, unless VX_REQUIRE_WINE=1 (set by scripts/test.sh, which
// installs Wine): then a missing Wine fails them, so a test run cannot pass without proving
// anything about Wine.

#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <optional>

namespace vx::test {

using namespace Qt::StringLiterals;

inline bool wineRequired()
{
    return qEnvironmentVariable("VX_REQUIRE_WINE") == u"1"_s;
}

// Ends the current test because Wine (or a tool run under it) is missing: a skip, or a failure
// when the run requires Wine.
#define VX_WINE_UNAVAILABLE(why)                                                                             \
    do {                                                                                                     \
        if (::vx::test::wineRequired())                                                                      \
            FAIL() << "Wine is required (VX_REQUIRE_WINE=1): " << (why);                                     \
        else                                                                                                 \
            GTEST_SKIP() << (why);                                                                           \
    } while (0)

class WinePrefixTest : public ::testing::Test
{
  public:
    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline QString s_skip;

    static QString prefix() { return s_dir->path() + u"/prefix"_s; }

    // Runs a Wine program for the prefix; the output as text, or nullopt on failure.
    static std::optional<QString> run(const QString& program, const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"WINEPREFIX"_s, prefix());
        env.insert(u"WINEDEBUG"_s, u"-all"_s);
        // No Gecko or Mono downloads, and no menu entries in the real user's home from wineboot.
        env.insert(u"WINEDLLOVERRIDES"_s, u"mscoree,mshtml=;winemenubuilder.exe=d"_s);
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        p.setProcessEnvironment(env);
        // A Wine program can fail to start on a busy machine while the previous step's server is
        // still going down: once more after it has, and the output of a failure is shown.
        for (int attempt = 0; attempt < 2; ++attempt) {
            p.start(program, args);
            if (p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return QString::fromUtf8(p.readAllStandardOutput());
            if (program == u"wineserver"_s)
                break;
            std::cerr << qPrintable(program + u' ' + args.join(u' ')) << " failed (" << p.exitCode()
                      << "): " << p.readAllStandardError().constData() << '\n';
            run(u"wineserver"_s, {u"-w"_s});
        }
        return std::nullopt;
    }
    // "-k" fails when no server runs; "-w" returns once none does.
    static bool stopServer()
    {
        run(u"wineserver"_s, {u"-k"_s});
        return run(u"wineserver"_s, {u"-w"_s}).has_value();
    }
    // `reg` for one key: value name -> (type, data as reg query shows it).
    static QMap<QString, QPair<QString, QString>> query(const QString& key, bool view32)
    {
        QStringList args{u"reg"_s, u"query"_s, key};
        if (view32)
            args << u"/reg:32"_s;
        QMap<QString, QPair<QString, QString>> values;
        static const QRegularExpression line(u"^    (.*?)    (REG_\\w+)    ?(.*)$"_s);
        for (const QString& l : run(u"wine"_s, args).value_or(QString()).split(u'\n')) {
            const auto m = line.match(QString(l).remove(u'\r'));
            if (m.hasMatch())
                values.insert(m.captured(1), {m.captured(2), m.captured(3)});
        }
        return values;
    }

    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(u"wine"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"wineserver"_s).isEmpty()) {
            s_skip = u"Wine is not installed (no wine and wineserver on PATH)"_s;
            return;
        }
        s_dir = std::make_unique<QTemporaryDir>();
        if (!run(u"wine"_s, {u"wineboot"_s, u"-i"_s}) || !stopServer() ||
            !QFile::exists(prefix() + u"/system.reg"_s))
            s_skip = u"wineboot could not create a prefix"_s;
    }
    static void TearDownTestSuite()
    {
        if (s_dir && stopServer()) {
            // Debian's Wine leaves the directory it made for the server behind.
            const QStringList dirs = HiveRegistryStore::serverDirectories(prefix());
            for (qsizetype i = 1; i < dirs.size(); ++i)
                QDir(QFileInfo(dirs[i]).path()).removeRecursively();
        }
        s_dir.reset();
    }
    void SetUp() override
    {
        if (!s_skip.isEmpty())
            VX_WINE_UNAVAILABLE(s_skip.toStdString());
    }
    void TearDown() override
    {
        if (s_skip.isEmpty())
            stopServer();
    }
};

} // namespace vx::test
