#include "delphireg/Snapshots.h"
#include "fixtures/PeBuilder.h"
#include "fixtures/Sandbox.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "project/ProjectFile.h"
#include "support/CliRunner.h"
#include "support/FakeWine.h"
#include "support/MemoryRegistryStore.h"
#include "support/PackageFixture.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using test::CliRun;

class CliTest : public test::SandboxCliTest
{
  protected:
    // Runs a command that is to end with `code`.
    CliRun run(const QStringList& args, int code = 0,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const
    {
        const CliRun r = cli(args, env);
        EXPECT_EQ(r.code, code) << args.join(u' ').toStdString() << "\n" << r.err.constData();
        return r;
    }
};

// The exit code of a run, and a message it printed on stderr (a failure's, or a warning).
void expectStderr(const CliRun& r, int code, const QByteArray& message)
{
    EXPECT_EQ(r.code, code) << r.err.constData();
    EXPECT_TRUE(r.err.contains(message)) << r.err.constData();
}

// The JSON a command printed. It keeps the form it has always had, which scripts may compare as
// text: the indented text QJsonDocument prints of the same content, keys in ascending order.
QJsonDocument json(const CliRun& r)
{
    const QJsonDocument read = QJsonDocument::fromJson(r.out);
    EXPECT_FALSE(read.isNull()) << r.out.constData() << r.err.constData();
    EXPECT_EQ(r.out, read.toJson(QJsonDocument::Indented));
    return read;
}

TEST_F(CliTest, InfoReportsTheInstallationOrAMissingIde)
{
    EXPECT_EQ(json(run({u"info"_s, u"--json"_s})).object(),
              (QJsonObject{{u"delphiRoot"_s, u"C:\\Program Files\\Borland\\Delphi7\\"_s},
                           {u"fileVersion"_s, u"7.0.4.453"_s},
                           {u"hostRoot"_s, sb.delphiHost},
                           {u"ideVersionLabel"_s, u"Delphi 7.0 (Build 4.453)"_s},
                           {u"prefix"_s, sb.prefix},
                           {u"productVersion"_s, u"7.0"_s},
                           {u"settingsFile"_s, QString(sb.delphiHost + u"/Vorlix7.wv7"_s)},
                           {u"versionOk"_s, true}}));
    EXPECT_TRUE(json(run({u"installations"_s, u"--json"_s})).isArray());

    const auto none = fixtures::makeSandbox(dir.filePath(u"none"_s), {u"7.0"_s, {}, false, false});
    expectStderr(test::runCli({u"--root"_s, none.delphiHost, u"info"_s}), 1, "Delphi32.exe");
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
        {{u"recover"_s, u"--bde"_s, u"--no-bde"_s}, "--bde and --no-bde exclude each other"},
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
    const QJsonObject o = json(run({u"show"_s, sb.sampleProject, u"--json"_s, u"--verify"_s})).object();
    EXPECT_EQ(test::readAll(sb.sampleProject), before);
    EXPECT_EQ(o[u"statistics"_s][u"lastTime"_s].toString(), u"2026-01-05 9:30:00"_s);
    EXPECT_EQ(o[u"experts"_s][3][u"image"_s].toInt(), 27) << "missing file inside DelphiRoot";
    EXPECT_EQ(o[u"groups"_s][1][u"name"_s].toString(), u"My Components"_s);
    EXPECT_EQ(o[u"tools"_s].toArray().size(), 3);
    EXPECT_EQ(o[u"searchPath"_s].toArray().first().toString(), u"$(Delphi)\\Bin"_s);

    // Without --verify every file counts as present.
    const CliRun plain = cli({u"show"_s, sb.sampleProject, u"--json"_s});
    EXPECT_EQ(QJsonDocument::fromJson(plain.out).object()[u"experts"_s][3][u"image"_s].toInt(), 12);
}

TEST_F(CliTest, SaveAsWritesWhatSaveWritesAndKeepsABackup)
{
    const QByteArray before = test::readAll(sb.sampleProject);
    test::writeAll(dir.filePath(u"copy.vx7"_s), "old content");
    run({u"save-as"_s, sb.sampleProject, dir.filePath(u"copy.txt"_s)});
    EXPECT_EQ(test::readAll(sb.sampleProject), before) << "the source stays untouched";
    EXPECT_EQ(test::readAll(dir.filePath(u"copy.vx7.bak"_s)), QByteArray("old content"));

    // Saving itself is the project file's to prove; here the copy holds the same sections.
    EXPECT_EQ(IniFile(sb.sampleProject).sectionNames(), IniFile(dir.filePath(u"copy.vx7"_s)).sectionNames());
    expectStderr(cli({u"save-as"_s, sb.sampleProject, dir.filePath(u"no/dir/x.vx7"_s)}), 1,
                 "Unable to write to");
}

// What each registry command writes, and that a backup imports back to the same registry, is the
// registry layer's to prove; here each command runs, its file takes the extension it writes, and
// each command that writes the registry takes a snapshot first.
TEST_F(CliTest, RegistryCommandsRunInTurnAndTheWritingOnesTakeSnapshots)
{
    const QString captured = dir.filePath(u"cap"_s);
    run({u"capture"_s, captured});
    EXPECT_EQ(IniFile(captured + u".vx7"_s).readInteger(u"DelphiExperts"_s, u"num"_s, 0), 2);
    run({u"backup"_s, dir.filePath(u"d7.txt"_s)});
    run({u"clear"_s});
    EXPECT_FALSE(userReg().contains("Known Packages"));
    run({u"import"_s, dir.filePath(u"d7.reg"_s)});
    EXPECT_TRUE(userReg().contains("Known Packages"));
    run({u"apply"_s, sb.sampleProject});
    run({u"recover"_s, u"--no-bde"_s});
    QStringList operations;
    for (const QJsonValue& v : json(run({u"history"_s, u"--json"_s})).array())
        operations << v[u"operation"_s].toString();
    EXPECT_EQ(operations, (QStringList{u"recover"_s, u"apply"_s, u"import"_s, u"clear"_s}));

    // A malformed import fails with the line and changes nothing.
    const QByteArray user = userReg();
    test::writeAll(dir.filePath(u"bad.reg"_s),
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=dword:zz\n");
    expectStderr(cli({u"import"_s, dir.filePath(u"bad.reg"_s)}), 1, "line 3");
    EXPECT_EQ(userReg(), user);
}

// That a real wineserver is found is the registry store's test (HiveWineTest); here a process
// holds the server's lock as it does.
TEST_F(CliTest, WhileWineRunsRegistryWritesAreRefusedAndReadsWarn)
{
    const test::FakeWineserver server(HiveRegistryStore::serverDirectories(sb.prefix).first());
    ASSERT_TRUE(server.locked());
    // Every writing command runs in the one registry transaction, which refuses (and writes
    // nothing: the transaction's test).
    expectStderr(cli({u"clear"_s}), 1, "wineserver -k");
    // Reading goes on, with a warning that the files may lag behind Wine's memory.
    expectStderr(cli({u"capture"_s, dir.filePath(u"c.vx7"_s)}), 0, "warning: Wine is running in the prefix");
    EXPECT_TRUE(IniFile(dir.filePath(u"c.vx7"_s)).hasSection(u"DelphiExperts"_s));
}

TEST_F(CliTest, EnvironmentCommandsRecoverLinkRegisterAndCopy)
{
    test::FakeWine wine(true); // first on PATH for the processes started from here
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"HOME"_s, dir.filePath(u"home"_s));

    run({u"recover"_s, u"--no-bde"_s, u"--sdk-help"_s, u"C:\\D7\\MSHelp"_s}, 0, env);
    const HiveRegistryStore store(sb.prefix);
    EXPECT_EQ(
        store.value(RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0"_s, u"LocalSharedRoot"_s)->text(),
        u"C:\\D7"_s);
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s));

    CliRun r = run({u"shortcuts"_s, u"create"_s, u"--only"_s, u"ide-desktop,program-quicklaunch"_s}, 0, env);
    const QStringList made = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    // Which links are written where is the shortcuts' own to prove; here the places chosen and
    // the launcher on the desktop of HOME.
    EXPECT_EQ(made.size(), 3) << r.out.constData();
    EXPECT_EQ(made.value(1), dir.filePath(u"home/Desktop/Delphi7.desktop"_s));
    r = cli({u"shortcuts"_s, u"delete"_s, u"--only"_s, u"ide-desktop"_s}, env);
    EXPECT_EQ(QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts), made.mid(0, 2));
    EXPECT_EQ(cli({u"shortcuts"_s, u"create"_s, u"--only"_s, u"desk"_s}, env).code, 1);

    EXPECT_EQ(run({u"register-debugger"_s}, 0, env).out, "register bordbk70.dll success\n");
    expectStderr(cli({u"copy-runtime"_s}, env), 1, "Copy file [C:\\windows\\syswow64\\adortl70.bpl] Error!");
}

TEST_F(CliTest, DiffComparesProjectsAndTheRegistryWithoutWriting)
{
    const QByteArray user = userReg(), project = test::readAll(sb.sampleProject);

    const CliRun same = cli({u"diff"_s, sb.sampleProject, sb.sampleProject});
    EXPECT_EQ(same.code, 0) << same.err.constData();
    EXPECT_TRUE(same.out.contains("No differences")) << same.out.constData();

    const CliRun r = cli({u"diff"_s, u"live"_s, sb.sampleProject, u"--json"_s});
    ASSERT_EQ(r.code, 3) << r.err.constData();
    // Which changes a difference holds is the project difference's to prove; here the change
    // reaches both forms, and nothing is written.
    const QJsonArray experts = json(r).object()[u"experts"_s].toArray();
    EXPECT_TRUE(experts.contains(QJsonObject{{u"change"_s, u"added"_s},
                                             {u"file"_s, u"$(Delphi)\\Experts\\FormPlus.dll"_s},
                                             {u"name"_s, u"Form Designer Plus"_s}}))
        << r.out.constData();
    const CliRun text = cli({u"diff"_s, u"live"_s, sb.sampleProject});
    EXPECT_TRUE(text.out.contains("  expert added: Form Designer Plus ($(Delphi)\\Experts\\FormPlus.dll)\n"))
        << text.out.constData();
    EXPECT_EQ(userReg(), user);
    EXPECT_EQ(test::readAll(sb.sampleProject), project);

    const CliRun missing = cli({u"diff"_s, sb.sampleProject, dir.filePath(u"nope.vx7"_s)});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("nope.vx7")) << missing.err.constData();
}

TEST_F(CliTest, CheckReportsFindingsOfAProjectAndTheRegistry)
{
    const CliRun r = run({u"check"_s, sb.sampleProject, u"--json"_s}, 3);
    // Which findings a project has is the health check's to prove; here one reaches the JSON.
    const QJsonObject lost{
        {u"detail"_s,
         u"Expert \"Lost Expert\": the file C:\\Program Files\\Borland\\Delphi7\\Experts\\Lost.dll does not exist."_s},
        {u"entry"_s, u"Lost Expert"_s},
        {u"file"_s, u"$(Delphi)\\Experts\\Lost.dll"_s},
        {u"kind"_s, u"missing-file"_s},
        {u"list"_s, u"experts"_s}};
    EXPECT_TRUE(json(r).object()[u"findings"_s].toArray().contains(lost)) << r.out.constData();

    const CliRun live = run({u"check"_s, u"live"_s}, 3);
    EXPECT_TRUE(live.out.contains("Rave.exe does not exist")) << live.out.constData();
}

TEST_F(CliTest, ApplyDryRunPrintsTheChangesAndWritesNothing)
{
    const QByteArray user = userReg();
    // A checked package that Delphi would refuse to load is named before anything is written.
    test::writeAll(sb.delphiHost + u"/bin/dcldb70.bpl"_s,
                   fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, test::packageInfoBlob(4, {}, {})}}));
    const CliRun r = run({u"apply"_s, u"--dry-run"_s, sb.sampleProject}, 3);
    EXPECT_TRUE(r.out.startsWith("Apply makes ")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\nPackages Apply makes Delphi load: ")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("dcldb70.bpl is a run-time only package")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\nExperts:\n  HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts\n"
                               "    removed External Wizard = C:\\Tools\\Experts\\Wizard.dll\n"))
        << r.out.constData();
    EXPECT_EQ(userReg(), user);

    // The same list as JSON, one object per change.
    const CliRun changes = run({u"apply"_s, u"--dry-run"_s, sb.sampleProject, u"--json"_s}, 3);
    EXPECT_EQ(json(changes).array().size(), r.out.count("\n    ")) << changes.out.constData();

    run({u"apply"_s, sb.sampleProject});
    EXPECT_EQ(run({u"apply"_s, u"--dry-run"_s, sb.sampleProject, u"--json"_s}).out, QByteArray("[\n]\n"));
}

TEST_F(CliTest, ClearIsUndoneByTheNewestSnapshotOrById)
{
    const auto registry = [&] { return test::registryContents(HiveRegistryStore(sb.prefix)); };
    const QStringList before = registry();
    run({u"clear"_s});
    const QJsonArray h = json(run({u"history"_s, u"--json"_s})).array();
    ASSERT_EQ(h.size(), 1);
    const QJsonObject first = h[0].toObject();
    EXPECT_TRUE(first[u"file"_s].toString().startsWith(dir.filePath(u"state/vorlix7/snapshots/prefix-"_s)));
    EXPECT_TRUE(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"_s)
                    .match(first[u"time"_s].toString())
                    .hasMatch())
        << first[u"time"_s].toString().toStdString();

    // Without an id the newest snapshot is restored; that a restore is undone in turn, and what
    // comes back value by value, is the snapshots' own to prove.
    run({u"restore"_s});
    EXPECT_EQ(registry(), before);
    run({u"restore"_s});
    // An earlier state by id.
    run({u"restore"_s, first[u"id"_s].toString()});
    EXPECT_EQ(registry(), before);
    const CliRun r = run({u"history"_s});
    EXPECT_TRUE(r.out.contains(QByteArray(first[u"id"_s].toString().toUtf8() + "  "))) << r.out.constData();
}

TEST_F(CliTest, SnapshotRefusalsReachTheUserAndForceOverridesThem)
{
    // Which snapshots are damaged or overreaching is the snapshots' own to prove; here the
    // refusals reach stderr and the exit code.
    expectStderr(cli({u"restore"_s}), 1, "No snapshot");

    // A well-formed snapshot that would delete all of HKEY_CURRENT_USER\Software is refused; only
    // --force restores it.
    MemoryRegistryStore other;
    other.createKey(RegRoot::CurrentUser, u"Software\\Only"_s);
    const QString wide = dir.filePath(u"wide.reg"_s);
    test::writeAll(wide, snapshotBytes(other, QList<RegKeyRef>{{RegRoot::CurrentUser, u"Software"_s}},
                                       SnapshotOperation::Import, QDateTime::currentDateTime()));
    expectStderr(cli({u"restore"_s, wide}), 1, "--force");
    run({u"restore"_s, u"--force"_s, wide});
    EXPECT_EQ(HiveRegistryStore(sb.prefix).subKeyNames(RegRoot::CurrentUser, u"Software"_s),
              QStringList{u"Only"_s});
}

} // namespace
