#include "fixtures/Sandbox.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "project/ProjectFile.h"
#include "support/CliRunner.h"
#include "support/FakeWine.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using test::CliRun;

CliRun cli(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    return test::runCli(args, env);
}

class CliTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
    QStringList root() const { return {u"--root"_s, sb.delphiHost}; }
};

TEST_F(CliTest, InfoReportsTheInstallation)
{
    const CliRun r = cli(root() + QStringList{u"info"_s, u"--json"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o[u"delphiRoot"_s].toString(), u"C:\\Program Files\\Borland\\Delphi7\\"_s);
    EXPECT_EQ(o[u"hostRoot"_s].toString(), sb.delphiHost);
    EXPECT_EQ(o[u"prefix"_s].toString(), sb.prefix);
    EXPECT_EQ(o[u"settingsFile"_s].toString(), sb.delphiHost + u"/Vorlix7.wv7"_s);
    EXPECT_EQ(o[u"productVersion"_s].toString(), u"7.0"_s);
    EXPECT_EQ(o[u"fileVersion"_s].toString(), u"7.0.4.453"_s);
    EXPECT_EQ(o[u"ideVersionLabel"_s].toString(), u"Delphi 7.0 (Build 4.453)"_s);
    EXPECT_TRUE(o[u"versionOk"_s].toBool());
}

// Every JSON output keeps the form it has always had, which scripts may compare as text: the
// indented text QJsonDocument prints of the same content, keys in ascending order.
using JsonOutputs = test::SandboxCliTest;
TEST_F(JsonOutputs, AreTheIndentedFormOfTheirContent)
{
    const QStringList commands[] = {{u"info"_s},
                                    {u"show"_s, sb.sampleProject, u"--verify"_s},
                                    {u"diff"_s, u"live"_s, sb.sampleProject},
                                    {u"check"_s, sb.sampleProject},
                                    {u"apply"_s, u"--dry-run"_s, sb.sampleProject},
                                    {u"history"_s}};
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

TEST_F(CliTest, InfoOnWrongOrMissingIde)
{
    QTemporaryDir other;
    const auto six = fixtures::makeSandbox(other.filePath(u"six"_s), {u"6.0"_s, u"6.0.6.240"_s, true, false});
    CliRun r = cli({u"--root"_s, six.delphiHost, u"info"_s, u"--json"_s});
    ASSERT_EQ(r.code, 0);
    EXPECT_FALSE(QJsonDocument::fromJson(r.out).object()[u"versionOk"_s].toBool());

    const auto none = fixtures::makeSandbox(other.filePath(u"none"_s), {u"7.0"_s, {}, false, false});
    r = cli({u"--root"_s, none.delphiHost, u"info"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Delphi32.exe")) << r.err.constData();

    EXPECT_EQ(cli({u"frobnicate"_s}).code, 2);
    EXPECT_EQ(cli({u"--bogus"_s, u"info"_s}).code, 2);
    EXPECT_EQ(cli({}).code, 2);
}

TEST_F(CliTest, ACommandGivenTheWrongWordsShowsItsUsageLineAndDoesNothing)
{
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);
    const std::pair<QStringList, QByteArray> cases[] = {
        {{u"info"_s, u"x"_s}, "info"},
        {{u"show"_s}, "show PROJECT"},
        {{u"save-as"_s, sb.sampleProject}, "save-as PROJECT NEWFILE"},
        {{u"apply"_s, u"--dry-run"_s}, "apply PROJECT"},
        {{u"clear"_s, u"x"_s}, "clear"},
        {{u"recover"_s, u"x"_s}, "recover"},
        {{u"shortcuts"_s, u"open"_s}, "shortcuts create|delete"},
        {{u"diff"_s, u"live"_s}, "diff A B"},
        {{u"restore"_s, u"a"_s, u"b"_s}, "restore [--force] [SNAPSHOT]"},
    };
    for (const auto& [args, line] : cases) {
        const CliRun r = cli(root() + args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QByteArray("vorlix7-cli: usage: " + line + "\n\n")))
            << r.err.constData();
    }
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
}

TEST_F(CliTest, ShowReadsWithoutWriting)
{
    const QByteArray before = test::readAll(sb.sampleProject);
    const CliRun r = cli(root() + QStringList{u"show"_s, sb.sampleProject, u"--json"_s, u"--verify"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(test::readAll(sb.sampleProject), before);

    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o[u"statistics"_s][u"run"_s].toInt(), 1);
    EXPECT_EQ(o[u"statistics"_s][u"lastTime"_s].toString(), u"2026-01-05 9:30:00"_s);
    const QJsonArray experts = o[u"experts"_s].toArray();
    ASSERT_EQ(experts.size(), 4);
    EXPECT_EQ(experts[0][u"image"_s].toInt(), 12);
    EXPECT_EQ(experts[2][u"image"_s].toInt(), 18);
    EXPECT_EQ(experts[3][u"image"_s].toInt(), 27) << "missing file inside DelphiRoot";
    const QJsonArray groups = o[u"groups"_s].toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[1][u"name"_s].toString(), u"My Components"_s);
    EXPECT_EQ(groups[1][u"columns"_s].toArray().size(), 4);
    EXPECT_EQ(groups[1][u"components"_s][1][u"image"_s].toInt(), 28) << "missing file outside DelphiRoot";
    EXPECT_EQ(o[u"tools"_s].toArray().size(), 3);
    EXPECT_EQ(o[u"searchPath"_s].toArray().first().toString(), u"$(Delphi)\\Bin"_s);
    EXPECT_EQ(o[u"expertsView"_s][u"sortColumn"_s].toInt(), -1);

    // Without --verify every file counts as present.
    const CliRun plain = cli(root() + QStringList{u"show"_s, sb.sampleProject, u"--json"_s});
    EXPECT_EQ(QJsonDocument::fromJson(plain.out).object()[u"experts"_s][3][u"image"_s].toInt(), 12);

    const CliRun missing = cli(root() + QStringList{u"show"_s, dir.filePath(u"nope.vx7"_s)});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("nope.vx7"));
}

TEST_F(CliTest, SaveAsWritesWhatSaveWritesAndKeepsABackup)
{
    const QByteArray before = test::readAll(sb.sampleProject);
    const QString target = dir.filePath(u"copy.txt"_s);
    test::writeAll(dir.filePath(u"copy.vx7"_s), "old content");
    const CliRun r = cli(root() + QStringList{u"save-as"_s, sb.sampleProject, target});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(test::readAll(sb.sampleProject), before) << "the source stays untouched";
    EXPECT_EQ(test::readAll(dir.filePath(u"copy.vx7.bak"_s)), QByteArray("old content"));

    // Same entries and layout; only the statistics written at saving time may differ.
    IniFile a(sb.sampleProject), b(dir.filePath(u"copy.vx7"_s));
    EXPECT_EQ(a.sectionNames(), b.sectionNames());
    for (const QString& section : a.sectionNames()) {
        for (const QString& key : a.keyNames(section)) {
            if (section == u"ConfigData"_s &&
                (key == u"LastTime"_s || key == u"LastRun"_s || key == u"TimeSum"_s))
                continue;
            EXPECT_EQ(a.readString(section, key), b.readString(section, key))
                << section.toStdString() << "/" << key.toStdString();
        }
    }

    QTemporaryDir ro;
    const CliRun refused =
        cli(root() + QStringList{u"save-as"_s, sb.sampleProject, ro.filePath(u"no/dir/x.vx7"_s)});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("Unable to write to")) << refused.err.constData();
}

// Real search paths pass 2,047 characters: open, Save, reopen and Apply keep every folder.
TEST_F(CliTest, LongValuesSurviveSaveReopenAndApply)
{
    QStringList folders;
    for (int i = 0; folders.join(u';').size() < 10000; ++i)
        folders << u"C:\\Libraries\\Folder %1"_s.arg(i, 4, 10, QChar(u'0'));
    const QString path = folders.join(u';');
    {
        IniFile sample(sb.sampleProject);
        sample.writeString(u"ConfigData"_s, u"DefaultPath"_s, path);
    }
    const QString copy = dir.filePath(u"long.vx7"_s);
    ASSERT_EQ(cli(root() + QStringList{u"save-as"_s, sb.sampleProject, copy}).code, 0);
    EXPECT_EQ(IniFile(copy).readString(u"ConfigData"_s, u"DefaultPath"_s), path);
    const CliRun applied = cli(root() + QStringList{u"apply"_s, copy});
    ASSERT_EQ(applied.code, 0) << applied.err.constData();
    const std::optional<RegValue> v = HiveRegistryStore(sb.prefix).value(
        RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0\\Library"_s, u"Search Path"_s);
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->text().contains(path)) << v->text().size();
}

TEST_F(CliTest, RegistryCommandsRoundTrip)
{
    const QString captured = dir.filePath(u"cap"_s);
    CliRun r = cli(root() + QStringList{u"capture"_s, captured});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    IniFile cap(captured + u".vx7"_s);
    EXPECT_EQ(cap.readInteger(u"DelphiExperts"_s, u"num"_s, 0), 2);
    EXPECT_EQ(cap.readString(u"DelphiCompGroups"_s, u"Group1"_s), u"Delphi7"_s);
    EXPECT_EQ(cap.readInteger(u"DelphiTools"_s, u"Num"_s, 0), 4);
    EXPECT_EQ(cap.readInteger(u"ConfigData"_s, u"Run"_s, 0), 2);

    const QString backup = dir.filePath(u"d7.txt"_s);
    r = cli(root() + QStringList{u"backup"_s, backup});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QByteArray reg = test::readAll(dir.filePath(u"d7.reg"_s));
    EXPECT_TRUE(reg.startsWith("REGEDIT4\r\n"));

    const QByteArray userBefore = test::readAll(sb.prefix + u"/user.reg"_s);
    ASSERT_EQ(cli(root() + QStringList{u"clear"_s}).code, 0);
    EXPECT_FALSE(test::readAll(sb.prefix + u"/user.reg"_s).contains("Known Packages"));
    EXPECT_TRUE(test::readAll(sb.prefix + u"/user.reg"_s).contains("[Software\\\\Wine\\\\Fonts]"))
        << "other programs' keys stay";
    ASSERT_EQ(cli(root() + QStringList{u"import"_s, dir.filePath(u"d7.reg"_s)}).code, 0);
    // After the round trip a new backup is the same file.
    ASSERT_EQ(cli(root() + QStringList{u"backup"_s, dir.filePath(u"again.reg"_s)}).code, 0);
    EXPECT_EQ(test::readAll(dir.filePath(u"again.reg"_s)), reg);
    EXPECT_NE(test::readAll(sb.prefix + u"/user.reg"_s), QByteArray()) << userBefore.size();

    // Apply of the captured project writes it back.
    r = cli(root() + QStringList{u"apply"_s, captured + u".vx7"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);
    EXPECT_TRUE(user.contains("\"$(DELPHI)\\\\Bin\\\\dclstd70.bpl\"=\"Borland Standard Components\""));
    EXPECT_TRUE(user.contains("\"Count\"=\"4\""));

    // A malformed import fails with the line and changes nothing.
    test::writeAll(dir.filePath(u"bad.reg"_s),
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=dword:zz\n");
    r = cli(root() + QStringList{u"import"_s, dir.filePath(u"bad.reg"_s)});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("line 3")) << r.err.constData();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
}

TEST_F(CliTest, WhileWineRunsRegistryWritesAreRefusedAndReadsWarn)
{
    if (QStandardPaths::findExecutable(u"wineserver"_s).isEmpty())
        VX_WINE_UNAVAILABLE("Wine is not installed (no wineserver on PATH)");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEPREFIX"_s, sb.prefix);
    QProcess server;
    server.setProcessEnvironment(env);
    // A persistent server for the sandbox prefix, as a running Windows program would keep one.
    server.start(u"wineserver"_s, {u"-p"_s});
    ASSERT_TRUE(server.waitForFinished(30000));
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);
    test::writeAll(dir.filePath(u"i.reg"_s), "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n");
    for (const QStringList& command :
         {QStringList{u"clear"_s}, QStringList{u"import"_s, dir.filePath(u"i.reg"_s)},
          QStringList{u"apply"_s, sb.sampleProject}}) {
        const CliRun r = cli(root() + command);
        EXPECT_EQ(r.code, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains("wineserver -k")) << r.err.constData();
    }
    // Reading goes on, with a warning that the files may lag behind Wine's memory.
    for (const QStringList& command : {QStringList{u"backup"_s, dir.filePath(u"b.reg"_s)},
                                       QStringList{u"capture"_s, dir.filePath(u"c.vx7"_s)}}) {
        const CliRun r = cli(root() + command);
        EXPECT_EQ(r.code, 0) << command.join(u' ').toStdString() << r.err.constData();
        EXPECT_TRUE(r.err.contains("warning: Wine is running in the prefix")) << r.err.constData();
    }
    QProcess stop;
    stop.setProcessEnvironment(env);
    stop.start(u"wineserver"_s, {u"-k"_s});
    stop.waitForFinished(30000);
    stop.start(u"wineserver"_s, {u"-w"_s});
    stop.waitForFinished(30000);
    // Debian's Wine leaves the directory it made for the server behind.
    const QStringList dirs = HiveRegistryStore::serverDirectories(sb.prefix);
    for (qsizetype i = 1; i < dirs.size(); ++i)
        QDir(QFileInfo(dirs[i]).path()).removeRecursively();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user) << "nothing was written";
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

    CliRun r =
        cli(root() + QStringList{u"recover"_s, u"--no-bde"_s, u"--sdk-help"_s, u"C:\\D7\\MSHelp"_s}, env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const HiveRegistryStore store(sb.prefix);
    EXPECT_EQ(
        store.value(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0"_s, u"LocalSharedRoot"_s)->text(),
        u"C:\\D7"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s));
    EXPECT_EQ(cli(root() + QStringList{u"recover"_s, u"--bde"_s, u"--no-bde"_s}, env).code, 2);

    r = cli(root() +
                QStringList{u"shortcuts"_s, u"create"_s, u"--only"_s, u"ide-desktop,program-quicklaunch"_s},
            env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QStringList made = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(
        made,
        (QStringList{
            sb.prefix + u"/drive_c/users/demo/Desktop/Delphi7.lnk"_s,
            dir.filePath(u"home/Desktop/Delphi7.desktop"_s),
            sb.prefix +
                u"/drive_c/users/demo/AppData/Roaming/Microsoft/Internet Explorer/Quick Launch/Vorlix7.lnk"_s}));
    r = cli(root() + QStringList{u"shortcuts"_s, u"delete"_s, u"--only"_s, u"ide-desktop"_s}, env);
    EXPECT_EQ(QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts), made.mid(0, 2));
    EXPECT_EQ(cli(root() + QStringList{u"shortcuts"_s, u"create"_s, u"--only"_s, u"desk"_s}, env).code, 1);

    r = cli(root() + QStringList{u"register-debugger"_s}, env);
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(r.out, "register bordbk70.dll success\n");
    EXPECT_EQ(wine.calls().mid(1),
              (QStringList{u"regsvr32"_s, u"/s"_s, sb.delphiRoot + u"bin\\bordbk70.dll"_s}));

    r = cli(root() + QStringList{u"copy-runtime"_s}, env);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Copy file [C:\\windows\\syswow64\\adortl70.bpl] Error!"))
        << r.err.constData();
}

} // namespace
