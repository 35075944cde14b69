#include "fixtures/PeBuilder.h"
#include "support/CliRunner.h"
#include "support/PackageFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// package-info reads the file alone: no installation is looked for, so it runs from anywhere.
TEST(PackageCli, PrintsAPackagesInformationOrWhyItCannot)
{
    QTemporaryDir dir;
    const QString bpl = dir.filePath(u"vxtools.bpl"_s);
    const QByteArray info = test::packageInfoBlob(0x2 | (3u << 26) | (1u << 30), {"rtl", "vcl"},
                                                  {{"VxReg", 0x02}, {"VxWeak", 0x0C}});
    test::writeAll(bpl, fixtures::buildPeWithRcData(
                            {{u"PACKAGEINFO"_s, info},
                             {u"DESCRIPTION"_s, test::descriptionBlob(u"Vx tools — design"_s)}}));

    const test::CliRun json = test::runCli({u"package-info"_s, bpl, u"--json"_s});
    ASSERT_EQ(json.code, 0) << json.err.constData();
    const QJsonDocument read = QJsonDocument::fromJson(json.out);
    EXPECT_EQ(json.out, read.toJson(QJsonDocument::Indented)); // keys ascending, indented
    const QJsonObject o = read.object();
    EXPECT_EQ(o[u"file"_s].toString(), bpl);
    EXPECT_EQ(o[u"description"_s].toString(), u"Vx tools — design"_s);
    EXPECT_EQ(o[u"producer"_s].toString(), u"Delphi"_s);
    EXPECT_EQ(o[u"requiredPackages"_s].toArray(), (QJsonArray{u"rtl"_s, u"vcl"_s}));
    EXPECT_TRUE(o[u"containedUnits"_s][1][u"weakPackaged"_s].toBool());

    const test::CliRun text = test::runCli({u"package-info"_s, bpl});
    ASSERT_EQ(text.code, 0) << text.err.constData();
    EXPECT_TRUE(text.out.contains(
        "\nContains (2)\n  VxReg  [package unit]\n  VxWeak  [weak packaged, original weak]\n"))
        << text.out.constData();

    // Why a package cannot be read is the package reader's to prove; here it reaches stderr alone.
    const QString gone = dir.filePath(u"gone.bpl"_s);
    const test::CliRun r = test::runCli({u"package-info"_s, gone, u"--json"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QByteArray("vorlix7-cli: " + gone.toUtf8() + ": cannot be read: ")))
        << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
}

} // namespace
