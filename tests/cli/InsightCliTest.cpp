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

// The item of a diff's list with this change and name; empty when there is none.
QJsonObject item(const QJsonObject& diff, const QString& list, const QString& change, const QString& name)
{
    for (const QJsonValue& v : diff[list].toArray()) {
        if (v[u"change"_s].toString() == change && v[u"name"_s].toString() == name)
            return v.toObject();
    }
    return {};
}

} // namespace

TEST_F(InsightCli, DiffComparesProjectsAndTheRegistryWithoutWriting)
{
    const QByteArray user = userReg(), project = test::readAll(sb.sampleProject);

    const CliResult same = cli({u"diff"_s, sb.sampleProject, sb.sampleProject});
    EXPECT_EQ(same.code, 0) << same.err.constData();
    EXPECT_TRUE(same.out.contains("No differences")) << same.out.constData();

    const CliResult r = cli({u"diff"_s, u"live"_s, sb.sampleProject, u"--json"_s});
    ASSERT_EQ(r.code, 3) << r.err.constData();
    // Which changes a difference holds is the project difference's to prove; here one change in
    // both forms, and nothing written.
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(item(o, u"experts"_s, u"added"_s, u"Form Designer Plus"_s)[u"file"_s].toString(),
              u"$(Delphi)\\Experts\\FormPlus.dll"_s)
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
    const QJsonArray findings = QJsonDocument::fromJson(r.out).object()[u"findings"_s].toArray();
    bool lost = false;
    for (const QJsonValue& f : findings) {
        if (f[u"file"_s].toString() == u"$(Delphi)\\Experts\\Lost.dll"_s) {
            lost = true;
            EXPECT_EQ(f[u"kind"_s].toString(), u"missing-file"_s);
            EXPECT_EQ(f[u"list"_s].toString(), u"experts"_s);
            EXPECT_EQ(f[u"entry"_s].toString(), u"Lost Expert"_s);
            EXPECT_TRUE(f[u"detail"_s].toString().contains(u"Lost.dll"_s));
        }
        EXPECT_NE(f[u"kind"_s].toString(), u"missing-dependency"_s)
            << "the sandbox's packages find their imports";
    }
    EXPECT_TRUE(lost) << r.out.constData();

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
    bool searchPath = false;
    for (const QJsonValue& c : changes) {
        if (c[u"group"_s].toString() == u"searchPath"_s) {
            searchPath = true;
            EXPECT_EQ(c[u"key"_s].toString(),
                      u"HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Library"_s);
            EXPECT_TRUE(c[u"new"_s].toString().contains(u"Source\\Indy"_s)) << json.out.constData();
        }
    }
    EXPECT_TRUE(searchPath) << json.out.constData();

    ASSERT_EQ(cli({u"apply"_s, sb.sampleProject}).code, 0);
    const CliResult after = cli({u"apply"_s, u"--dry-run"_s, sb.sampleProject, u"--json"_s});
    EXPECT_EQ(after.code, 0) << after.out.constData();
    EXPECT_EQ(after.out, QByteArray("[\n]\n"));
}
