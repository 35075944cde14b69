#include "fixtures/Sandbox.h"
#include "support/CliRunner.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using CliResult = test::CliRun;
using InsightCli = test::SandboxCliTest;

} // namespace

TEST_F(InsightCli, DiffComparesProjectsAndTheRegistryWithoutWriting)
{
    const QByteArray user = userReg(), project = test::readAll(sb.sampleProject);

    const CliResult same = cli({u"diff"_s, sb.sampleProject, sb.sampleProject});
    EXPECT_EQ(same.code, 0) << same.err.constData();
    EXPECT_TRUE(same.out.contains("No differences")) << same.out.constData();

    const CliResult r = cli({u"diff"_s, u"live"_s, sb.sampleProject, u"--json"_s});
    ASSERT_EQ(r.code, 3) << r.err.constData();
    // Which changes a difference holds is the project difference's to prove; here the change
    // reaches both forms, and nothing is written.
    const QJsonArray experts = QJsonDocument::fromJson(r.out).object()[u"experts"_s].toArray();
    EXPECT_TRUE(experts.contains(QJsonObject{{u"change"_s, u"added"_s},
                                             {u"file"_s, u"$(Delphi)\\Experts\\FormPlus.dll"_s},
                                             {u"name"_s, u"Form Designer Plus"_s}}))
        << r.out.constData();
    const CliResult text = cli({u"diff"_s, u"live"_s, sb.sampleProject});
    EXPECT_EQ(text.code, 3);
    EXPECT_TRUE(text.out.contains("  expert added: Form Designer Plus ($(Delphi)\\Experts\\FormPlus.dll)\n"))
        << text.out.constData();
    EXPECT_EQ(userReg(), user);
    EXPECT_EQ(test::readAll(sb.sampleProject), project);

    const CliResult missing = cli({u"diff"_s, sb.sampleProject, dir.filePath(u"nope.vx7"_s)});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("nope.vx7")) << missing.err.constData();
}

TEST_F(InsightCli, CheckReportsFindingsOfAProjectAndTheRegistry)
{
    const CliResult r = cli({u"check"_s, sb.sampleProject, u"--json"_s});
    ASSERT_EQ(r.code, 3) << r.err.constData();
    // Which findings a project has is the health check's to prove; here one reaches the JSON.
    const QJsonObject lost{
        {u"detail"_s,
         u"Expert \"Lost Expert\": the file C:\\Program Files\\Borland\\Delphi7\\Experts\\Lost.dll does not exist."_s},
        {u"entry"_s, u"Lost Expert"_s},
        {u"file"_s, u"$(Delphi)\\Experts\\Lost.dll"_s},
        {u"kind"_s, u"missing-file"_s},
        {u"list"_s, u"experts"_s}};
    EXPECT_TRUE(QJsonDocument::fromJson(r.out).object()[u"findings"_s].toArray().contains(lost))
        << r.out.constData();

    const CliResult live = cli({u"check"_s, u"live"_s});
    EXPECT_EQ(live.code, 3) << live.err.constData();
    EXPECT_TRUE(live.out.contains("Rave.exe does not exist")) << live.out.constData();
}

TEST_F(InsightCli, ApplyDryRunPrintsTheChangesAndWritesNothing)
{
    const QByteArray user = userReg();
    const CliResult r = cli({u"apply"_s, u"--dry-run"_s, sb.sampleProject});
    ASSERT_EQ(r.code, 3) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("Apply makes ")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\nExperts:\n  HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Experts\n"
                               "    removed External Wizard = C:\\Tools\\Experts\\Wizard.dll\n"))
        << r.out.constData();
    EXPECT_EQ(userReg(), user);

    // The same list as JSON, one object per change.
    const CliResult json = cli({u"apply"_s, u"--dry-run"_s, sb.sampleProject, u"--json"_s});
    ASSERT_EQ(json.code, 3) << json.err.constData();
    const QJsonArray changes = QJsonDocument::fromJson(json.out).array();
    EXPECT_EQ(changes.size(), r.out.count("\n    ")) << json.out.constData();

    ASSERT_EQ(cli({u"apply"_s, sb.sampleProject}).code, 0);
    const CliResult after = cli({u"apply"_s, u"--dry-run"_s, sb.sampleProject, u"--json"_s});
    EXPECT_EQ(after.code, 0) << after.out.constData();
    EXPECT_EQ(after.out, QByteArray("[\n]\n"));
}
