#include "fixtures/Sandbox.h"
#include "support/CliRunner.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using test::CliRun;

// The command line run from its build folder (no Delphi32.exe there) with HOME and the XDG folders
// in the test's folder, so that only the prefixes a test makes are found.
class InstallationsCliTest : public ::testing::Test
{
  public:
    QTemporaryDir dir;
    QString home = dir.filePath(u"home"_s);

    QProcessEnvironment env() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"WINEPREFIX"_s, u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s})
            e.remove(name);
        e.insert(u"HOME"_s, home);
        e.insert(u"XDG_STATE_HOME"_s, dir.filePath(u"state"_s));
        return e;
    }
    CliRun cli(const QStringList& args) const { return test::runCli(args, env()); }
    fixtures::Sandbox prefix(const QString& belowHome) const
    {
        return fixtures::makeSandbox(home + u'/' + belowHome);
    }
};

TEST_F(InstallationsCliTest, ListsEveryInstallationFound)
{
    const fixtures::Sandbox wine = prefix(u".wine"_s);
    const fixtures::Sandbox bottle = prefix(u".local/share/bottles/bottles/Delphi"_s);

    const CliRun json = cli({u"installations"_s, u"--json"_s});
    ASSERT_EQ(json.code, 0) << json.err.constData();
    const auto entry = [](const fixtures::Sandbox& sb, const QString& place) {
        return QJsonObject{{u"delphiRoot"_s, sb.delphiRoot},
                           {u"hostRoot"_s, sb.delphiHost},
                           {u"place"_s, place},
                           {u"prefix"_s, sb.prefix},
                           {u"productVersion"_s, u"7.0"_s}};
    };
    EXPECT_EQ(QJsonDocument::fromJson(json.out).array(),
              (QJsonArray{entry(wine, u"wine"_s), entry(bottle, u"bottles"_s)}));

    const CliRun text = cli({u"installations"_s});
    EXPECT_TRUE(text.out.startsWith(QString(wine.delphiHost +
                                            u"\tC:\\Program Files\\Borland\\Delphi7\\\t7.0\twine\t"_s +
                                            wine.prefix + u'\n')
                                        .toUtf8()))
        << text.out.constData();

    const CliRun onePrefix = cli({u"--prefix"_s, bottle.prefix, u"installations"_s, u"--json"_s});
    EXPECT_EQ(QJsonDocument::fromJson(onePrefix.out).array(), QJsonArray{entry(bottle, u"user"_s)});
}

// Without --root a command works on the one installation found; none or several are refused
// with what was searched or found and how to choose.
TEST_F(InstallationsCliTest, CommandsUseTheOneInstallationFoundOrSayWhyNot)
{
    const auto expectRefusal = [&](const QStringList& mentioned) {
        const CliRun r = cli({u"info"_s});
        EXPECT_EQ(r.code, 1);
        for (const QString& text : mentioned)
            EXPECT_TRUE(QString::fromUtf8(r.err).contains(text))
                << text.toStdString() << " in " << r.err.constData();
    };
    QDir().mkpath(home);
    expectRefusal(
        {u"/.wine"_s, u"/.PlayOnLinux/wineprefix/*"_s, u"--root"_s, u"/.config/vorlix7/vorlix7.conf"_s});

    // A folder of prefixes the user added to the configuration.
    const fixtures::Sandbox mine = fixtures::makeSandbox(dir.filePath(u"mine/d7"_s));
    test::writeAll(home + u"/.config/vorlix7/vorlix7.conf"_s,
                   "[Installations]\nPrefixes=/nonexistent:" + QFile::encodeName(dir.filePath(u"mine"_s)) +
                       "\n");
    const CliRun r = cli({u"info"_s, u"--json"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QJsonObject info = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(info[u"hostRoot"_s].toString(), mine.delphiHost);
    // Run from its build, the program keeps the settings beside the IDE as it always did.
    EXPECT_EQ(info[u"settingsFile"_s].toString(), mine.delphiHost + u"/Vorlix7.wv7"_s);

    const fixtures::Sandbox wine = prefix(u".wine"_s);
    expectRefusal({u"2 Delphi 7 installations"_s, u"--root"_s, wine.delphiHost, mine.delphiHost});
}

} // namespace
