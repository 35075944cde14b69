#include "fixtures/Sandbox.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "project/ProjectFile.h"
#include "support/CliRunner.h"
#include "support/FakeWine.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using test::CliRun;
using CliTest = test::SandboxCliTest;

TEST_F(CliTest, InfoReportsTheInstallationOrAMissingIde)
{
    const CliRun r = cli({u"info"_s, u"--json"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(),
              (QJsonObject{{u"delphiRoot"_s, u"C:\\Program Files\\Borland\\Delphi7\\"_s},
                           {u"fileVersion"_s, u"7.0.4.453"_s},
                           {u"hostRoot"_s, sb.delphiHost},
                           {u"ideVersionLabel"_s, u"Delphi 7.0 (Build 4.453)"_s},
                           {u"prefix"_s, sb.prefix},
                           {u"productVersion"_s, u"7.0"_s},
                           {u"settingsFile"_s, QString(sb.delphiHost + u"/Vorlix7.wv7"_s)},
                           {u"versionOk"_s, true}}));

    const auto none = fixtures::makeSandbox(dir.filePath(u"none"_s), {u"7.0"_s, {}, false, false});
    const CliRun missing = test::runCli({u"--root"_s, none.delphiHost, u"info"_s});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("Delphi32.exe")) << missing.err.constData();
}

// Every JSON output keeps the form it has always had, which scripts may compare as text: the
// indented text QJsonDocument prints of the same content, keys in ascending order.
TEST_F(CliTest, JsonOutputsAreTheIndentedFormOfTheirContent)
{
    const QStringList commands[] = {{u"info"_s},
                                    {u"show"_s, sb.sampleProject, u"--verify"_s},
                                    {u"diff"_s, u"live"_s, sb.sampleProject},
                                    {u"check"_s, sb.sampleProject},
                                    {u"apply"_s, u"--dry-run"_s, sb.sampleProject},
                                    {u"history"_s},
                                    {u"installations"_s}};
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(u' ').toStdString());
        if (command.first() == u"history"_s) {
            ASSERT_EQ(cli({u"clear"_s}).code, 0); // a snapshot to list
        }
        const CliRun r = cli(command + QStringList{u"--json"_s});
        EXPECT_TRUE(r.code == 0 || r.code == 3) << r.err.constData();
        const QJsonDocument read = QJsonDocument::fromJson(r.out);
        EXPECT_FALSE(read.isEmpty()) << r.out.constData();
        EXPECT_EQ(r.out, read.toJson(QJsonDocument::Indented));
    }
}

// Wrong words, an unknown command or option, or none: exit code 2, the reason (a command's usage
// line) before the help text, and nothing written.
TEST_F(CliTest, AWrongCommandLineShowsItsUsageAndDoesNothing)
{
    const QByteArray user = userReg();
    const std::pair<QStringList, QByteArray> cases[] = {
        {{u"clear"_s, u"x"_s}, "usage: clear"},
        {{u"apply"_s, u"--dry-run"_s}, "usage: apply PROJECT"},
        {{u"shortcuts"_s, u"open"_s}, "usage: shortcuts create|delete"},
        {{u"restore"_s, u"a"_s, u"b"_s}, "usage: restore [--force] [SNAPSHOT]"},
        {{u"frobnicate"_s}, "unknown command: frobnicate"},
        {{u"--bogus"_s, u"info"_s}, "Unknown option 'bogus'."},
        {{}, "no command given"},
    };
    for (const auto& [args, line] : cases) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QByteArray("vorlix7-cli: " + line + "\n\n"))) << r.err.constData();
    }
    EXPECT_EQ(userReg(), user);
}

TEST_F(CliTest, ShowReadsWithoutWriting)
{
    const QByteArray before = test::readAll(sb.sampleProject);
    const CliRun r = cli({u"show"_s, sb.sampleProject, u"--json"_s, u"--verify"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(test::readAll(sb.sampleProject), before);

    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o[u"statistics"_s][u"lastTime"_s].toString(), u"2026-01-05 9:30:00"_s);
    EXPECT_EQ(o[u"experts"_s][3][u"image"_s].toInt(), 27) << "missing file inside DelphiRoot";
    EXPECT_EQ(o[u"groups"_s][1][u"name"_s].toString(), u"My Components"_s);
    EXPECT_EQ(o[u"tools"_s].toArray().size(), 3);
    EXPECT_EQ(o[u"searchPath"_s].toArray().first().toString(), u"$(Delphi)\\Bin"_s);

    // Without --verify every file counts as present.
    const CliRun plain = cli({u"show"_s, sb.sampleProject, u"--json"_s});
    EXPECT_EQ(QJsonDocument::fromJson(plain.out).object()[u"experts"_s][3][u"image"_s].toInt(), 12);

    const CliRun missing = cli({u"show"_s, dir.filePath(u"nope.vx7"_s)});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("nope.vx7"));
}

TEST_F(CliTest, SaveAsWritesWhatSaveWritesAndKeepsABackup)
{
    const QByteArray before = test::readAll(sb.sampleProject);
    test::writeAll(dir.filePath(u"copy.vx7"_s), "old content");
    const CliRun r = cli({u"save-as"_s, sb.sampleProject, dir.filePath(u"copy.txt"_s)});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(test::readAll(sb.sampleProject), before) << "the source stays untouched";
    EXPECT_EQ(test::readAll(dir.filePath(u"copy.vx7.bak"_s)), QByteArray("old content"));

    // Saving itself is the project file's to prove; here the copy holds the same sections.
    EXPECT_EQ(IniFile(sb.sampleProject).sectionNames(), IniFile(dir.filePath(u"copy.vx7"_s)).sectionNames());
    const CliRun refused = cli({u"save-as"_s, sb.sampleProject, dir.filePath(u"no/dir/x.vx7"_s)});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("Unable to write to")) << refused.err.constData();
}

// What each registry command writes, and that a backup imports back to the same registry, is the
// registry layer's to prove; here each command runs and its file takes the extension it writes.
TEST_F(CliTest, RegistryCommandsRunInTurn)
{
    const QString captured = dir.filePath(u"cap"_s);
    CliRun r = cli({u"capture"_s, captured});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(IniFile(captured + u".vx7"_s).readInteger(u"DelphiExperts"_s, u"num"_s, 0), 2);
    ASSERT_EQ(cli({u"backup"_s, dir.filePath(u"d7.txt"_s)}).code, 0);
    ASSERT_EQ(cli({u"clear"_s}).code, 0);
    EXPECT_FALSE(userReg().contains("Known Packages"));
    ASSERT_EQ(cli({u"import"_s, dir.filePath(u"d7.reg"_s)}).code, 0);
    EXPECT_TRUE(userReg().contains("Known Packages"));
    r = cli({u"apply"_s, captured + u".vx7"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();

    // A malformed import fails with the line and changes nothing.
    const QByteArray user = userReg();
    test::writeAll(dir.filePath(u"bad.reg"_s),
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=dword:zz\n");
    r = cli({u"import"_s, dir.filePath(u"bad.reg"_s)});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("line 3")) << r.err.constData();
    EXPECT_EQ(userReg(), user);
}

// That a real wineserver is found is the registry store's test (HiveWineTest); here a process
// holds the server's lock as it does.
TEST_F(CliTest, WhileWineRunsRegistryWritesAreRefusedAndReadsWarn)
{
    const QByteArray user = userReg();
    test::writeAll(dir.filePath(u"i.reg"_s), "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n");
    {
        const test::FakeWineserver server(HiveRegistryStore::serverDirectories(sb.prefix).first());
        ASSERT_TRUE(server.locked());
        for (const QStringList& command :
             {QStringList{u"clear"_s}, QStringList{u"import"_s, dir.filePath(u"i.reg"_s)},
              QStringList{u"apply"_s, sb.sampleProject}}) {
            const CliRun r = cli(command);
            EXPECT_EQ(r.code, 1) << command.join(u' ').toStdString();
            EXPECT_TRUE(r.err.contains("wineserver -k")) << r.err.constData();
        }
        // Reading goes on, with a warning that the files may lag behind Wine's memory.
        for (const QStringList& command : {QStringList{u"backup"_s, dir.filePath(u"b.reg"_s)},
                                           QStringList{u"capture"_s, dir.filePath(u"c.vx7"_s)}}) {
            const CliRun r = cli(command);
            EXPECT_EQ(r.code, 0) << command.join(u' ').toStdString() << r.err.constData();
            EXPECT_TRUE(r.err.contains("warning: Wine is running in the prefix")) << r.err.constData();
        }
    }
    EXPECT_EQ(userReg(), user) << "nothing was written";
    EXPECT_TRUE(test::readAll(dir.filePath(u"b.reg"_s)).startsWith("REGEDIT4"));
    EXPECT_TRUE(IniFile(dir.filePath(u"c.vx7"_s)).hasSection(u"DelphiExperts"_s));
}

TEST_F(CliTest, EnvironmentCommandsRecoverLinkRegisterAndCopy)
{
    test::FakeWine wine(true); // first on PATH for the processes started from here
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"HOME"_s, dir.filePath(u"home"_s));

    CliRun r = cli({u"recover"_s, u"--no-bde"_s, u"--sdk-help"_s, u"C:\\D7\\MSHelp"_s}, env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const HiveRegistryStore store(sb.prefix);
    EXPECT_EQ(
        store.value(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0"_s, u"LocalSharedRoot"_s)->text(),
        u"C:\\D7"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s));
    EXPECT_EQ(cli({u"recover"_s, u"--bde"_s, u"--no-bde"_s}, env).code, 2);

    r = cli({u"shortcuts"_s, u"create"_s, u"--only"_s, u"ide-desktop,program-quicklaunch"_s}, env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QStringList made = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(
        made,
        (QStringList{
            sb.prefix + u"/drive_c/users/demo/Desktop/Delphi7.lnk"_s,
            dir.filePath(u"home/Desktop/Delphi7.desktop"_s),
            sb.prefix +
                u"/drive_c/users/demo/AppData/Roaming/Microsoft/Internet Explorer/Quick Launch/Vorlix7.lnk"_s}));
    r = cli({u"shortcuts"_s, u"delete"_s, u"--only"_s, u"ide-desktop"_s}, env);
    EXPECT_EQ(QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts), made.mid(0, 2));
    EXPECT_EQ(cli({u"shortcuts"_s, u"create"_s, u"--only"_s, u"desk"_s}, env).code, 1);

    r = cli({u"register-debugger"_s}, env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(r.out, "register bordbk70.dll success\n");
    EXPECT_EQ(wine.calls().mid(1),
              (QStringList{u"regsvr32"_s, u"/s"_s, sb.delphiRoot + u"bin\\bordbk70.dll"_s}));

    r = cli({u"copy-runtime"_s}, env);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Copy file [C:\\windows\\syswow64\\adortl70.bpl] Error!"))
        << r.err.constData();
}

} // namespace
