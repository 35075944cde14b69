#include "fixtures/Sandbox.h"
#include "support/CliRunner.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
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
    fixtures::Sandbox prefix(const QString& belowHome, const fixtures::SandboxOptions& options = {}) const
    {
        return fixtures::makeSandbox(home + u'/' + belowHome, options);
    }
};

TEST_F(InstallationsCliTest, ListsEveryInstallationFound)
{
    const fixtures::Sandbox wine = prefix(u".wine"_s);
    const fixtures::Sandbox bottle = prefix(u".local/share/bottles/bottles/Delphi"_s);
    fixtures::SandboxOptions six;
    six.productVersion = u"6.0"_s;
    prefix(u".cxoffice/Delphi6"_s, six);

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

struct SelectionCase
{
    const char* name;
    std::function<void(const InstallationsCliTest&, QStringList& args)> setup;
    int code;
    QStringList mentioned;         // in stderr (a failure) or as the installation's host folder
    QString expectedHostBelowHome; // the installation used, when it succeeds
};

TEST_F(InstallationsCliTest, CommandsUseTheOneInstallationFoundOrSayWhyNot)
{
    const QString usual = u"/drive_c/Program Files/Borland/Delphi7"_s;
    const SelectionCase cases[] = {
        {"none: the places searched and how to add one",
         [](const InstallationsCliTest&, QStringList&) {},
         1,
         {u"/.wine"_s, u"/.PlayOnLinux/wineprefix/*"_s, u"--root"_s, u"/.config/vorlix7/vorlix7.conf"_s},
         {}},
        {"several: named, with --root",
         [](const InstallationsCliTest& t, QStringList&) {
             t.prefix(u".wine"_s);
             t.prefix(u".cxoffice/D7"_s);
         },
         1,
         {u"2 Delphi 7 installations"_s, u"--root"_s, u"/.wine"_s + usual, u"/.cxoffice/D7"_s + usual},
         {}},
        {"a prefix the user added to the configuration",
         [](const InstallationsCliTest& t, QStringList&) {
             fixtures::makeSandbox(t.dir.filePath(u"mine/d7"_s));
             test::writeAll(t.home + u"/.config/vorlix7/vorlix7.conf"_s,
                            "[Installations]\nPrefixes=/nonexistent:" +
                                QFile::encodeName(t.dir.filePath(u"mine"_s)) + "\n");
         },
         0,
         {},
         u"../mine/d7"_s + usual},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(home);
        QStringList args{u"info"_s, u"--json"_s};
        c.setup(*this, args);
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, c.code) << r.err.constData();
        for (const QString& text : c.mentioned)
            EXPECT_TRUE(QString::fromUtf8(r.err).contains(text))
                << text.toStdString() << " in " << r.err.constData();
        if (c.code == 0) {
            const QJsonObject info = QJsonDocument::fromJson(r.out).object();
            const QString host = QDir::cleanPath(home + u'/' + c.expectedHostBelowHome);
            EXPECT_EQ(info[u"hostRoot"_s].toString(), host);
            EXPECT_EQ(info[u"versionOk"_s].toBool(), true);
            // Run from its build, the program keeps the settings beside the IDE as it always did.
            EXPECT_EQ(info[u"settingsFile"_s].toString(), host + u"/Vorlix7.wv7"_s);
        }
    }
}

} // namespace
