// The health check of a project: missing files, duplicates, and packages checked as the IDE's
// process would load them, down their imports.

#include "integration/HealthCheck.h"
#include "fixtures/PeBuilder.h"
#include "fixtures/Sandbox.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/ByteFields.h"
#include "support/PackageFixture.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

class HealthCheck : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        fixtures::SandboxOptions o;
        o.withRegistry = false;
        o.withSampleProject = false;
        box = fixtures::makeSandbox(dir.path(), o);
        QDir().mkpath(box.prefix + u"/drive_c/windows/syswow64"_s);
    }
    void put(const QString& driveC, const QByteArray& bytes)
    {
        test::writeAll(box.prefix + u"/drive_c/"_s + driveC, bytes);
    }
    std::vector<Finding> check(const ConfigProject& p) const
    {
        return checkProjectHealth(p, PathMacro(box.delphiRoot), PathBridge(box.prefix),
                                  {u"C:\\windows\\syswow64"_s, u"C:\\windows"_s});
    }
    static std::string describe(const std::vector<Finding>& findings)
    {
        return healthReportText(findings).toStdString();
    }

    QTemporaryDir dir;
    fixtures::Sandbox box;
};

TEST_F(HealthCheck, ReportsMissingFilesDuplicatesAndAMissingDependency)
{
    // A package that needs one package found in the system directory, one in its own folder and
    // one nowhere; a system DLL it imports is not looked up.
    put(u"windows/syswow64/rtl70.bpl"_s, fixtures::buildPeWithImports({}));
    put(u"Pkgs/Sibling.bpl"_s, fixtures::buildPeWithImports({}));
    put(u"Pkgs/Needy.bpl"_s, fixtures::buildPeWithImports(
                                 {u"rtl70.bpl"_s, u"sibling.BPL"_s, u"Vanished70.bpl"_s, u"user32.dll"_s}));
    put(u"Pkgs/NotPe.bpl"_s, "MZ but nothing more");
    put(u"windows/notepad.exe"_s, "MZ");
    ConfigProject p;
    p.experts().add({u"Lost"_s, u"$(Delphi)\\Experts\\Lost.dll"_s, {}, true});
    p.experts().add({u"Code Tools"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, true});
    p.experts().add(
        {u"Code Tools again"_s, u"C:\\Program Files\\Borland\\Delphi7\\experts\\codetools.dll"_s, {}, true});
    p.addGroup(u"A"_s).add({u"Needy"_s, u"C:\\Pkgs\\Needy.bpl"_s, {}, {}, true});
    p.group(0).add({u"Broken"_s, u"C:\\Pkgs\\NotPe.bpl"_s, {}, {}, false});
    p.addGroup(u"B"_s).add({u"Needy copy"_s, u"c:\\pkgs\\NEEDY.bpl"_s, {}, {}, true});
    p.tools().add({u"Notepad"_s, u"notepad.exe"_s, {}, {}, true}); // found as Windows finds it

    const std::vector<Finding> f = check(p);
    // The copy listed twice is read once but reported for each listing; nothing else is.
    QStringList got;
    for (const Finding& x : f)
        got << findingKindName(x.kind) + u' ' + x.list + u'/' + x.entry + u' ' + x.file;
    ASSERT_EQ(
        got,
        (QStringList{
            u"missing-file experts/Lost $(Delphi)\\Experts\\Lost.dll"_s,
            u"duplicate experts/Code Tools again C:\\Program Files\\Borland\\Delphi7\\experts\\codetools.dll"_s,
            u"unreadable-file packages/Broken C:\\Pkgs\\NotPe.bpl"_s,
            u"missing-dependency packages/Needy Vanished70.bpl"_s,
            u"duplicate packages/Needy copy c:\\pkgs\\NEEDY.bpl"_s,
            u"missing-dependency packages/Needy copy Vanished70.bpl"_s}))
        << describe(f);
    EXPECT_TRUE(f[1].detail.endsWith(u"already listed as \"Code Tools\"."_s)) << describe(f);
    EXPECT_TRUE(
        healthReportText(f).startsWith(u"6 findings: 1 missing files, 2 duplicates, 2 missing dependencies, "
                                       u"1 unreadable packages\n"_s))
        << describe(f);
    EXPECT_EQ(healthReportText({}), u"No problems found."_s);
}

// One package, C:\Pkgs\A.bpl, and the files around it: what the check says about the image and
// about everything it loads, as far down as the imports go.
TEST_F(HealthCheck, APackageIsCheckedAsTheIdesProcessWouldLoadIt)
{
    const auto pkg = [](const QStringList& imports) { return fixtures::buildPeWithImports(imports); };
    QByteArray x64Broken = fixtures::buildPeWithImports({u"Gone70.bpl"_s}, true);
    test::set32(x64Broken, 0x200 + 12, 0x7FFF0000); // the first descriptor's name: outside the file
    const QString a = u"C:\\Pkgs\\A.bpl"_s;
    const struct
    {
        const char* what;
        QList<QPair<QString, QByteArray>> files;                         // under drive C
        std::vector<std::tuple<FindingKind, QString, QString>> findings; // kind, file, part of the detail
    } cases[] = {
        {"a 64-bit DLL renamed .bpl, whose import table cannot be read",
         {{u"Pkgs/A.bpl"_s, x64Broken}},
         {{FindingKind::WrongMachine, a, u"is not a 32-bit x86 image (machine 0x8664, PE32+)"_s}}},
        {"a chain through the system directory, looked up in the importer's folder",
         {{u"Pkgs/A.bpl"_s, pkg({u"Sys70.bpl"_s})},
          {u"windows/syswow64/Sys70.bpl"_s, pkg({u"Lost70.bpl"_s})}},
         {{FindingKind::MissingDependency, u"Lost70.bpl"_s,
           u"(A.bpl -> Sys70.bpl -> Lost70.bpl), which is not in C:\\windows\\syswow64,"_s}}},
        {"an import cycle",
         {{u"Pkgs/A.bpl"_s, pkg({u"B.bpl"_s})},
          {u"Pkgs/B.bpl"_s, pkg({u"a.BPL"_s, u"B.bpl"_s, u"Gone.bpl"_s})}},
         {{FindingKind::MissingDependency, u"Gone.bpl"_s,
           u"(A.bpl -> B.bpl -> Gone.bpl), which is not in C:\\Pkgs,"_s}}},
        {"a package reached along two chains, reported once with the shorter",
         {{u"Pkgs/A.bpl"_s, pkg({u"B.bpl"_s, u"C.bpl"_s})},
          {u"Pkgs/B.bpl"_s, pkg({u"C.bpl"_s})},
          {u"Pkgs/C.bpl"_s, pkg({u"D.bpl"_s})},
          {u"Pkgs/D.bpl"_s, pkg({u"gone.bpl"_s, u"Gone.BPL"_s})}},
         {{FindingKind::MissingDependency, u"gone.bpl"_s, u"(A.bpl -> C.bpl -> D.bpl -> gone.bpl)"_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [path, bytes] : c.files)
            put(path, bytes);
        ConfigProject p;
        p.addGroup(u"G"_s).add({u"A"_s, a, {}, {}, true});
        const std::vector<Finding> f = check(p);
        for (const auto& [path, bytes] : c.files)
            QFile::remove(box.prefix + u"/drive_c/"_s + path);
        EXPECT_EQ(f.size(), c.findings.size()) << describe(f);
        for (size_t i = 0; i < std::min(f.size(), c.findings.size()); ++i) {
            const auto& [kind, file, inDetail] = c.findings[i];
            EXPECT_EQ(std::make_tuple(f[i].kind, f[i].file, f[i].entry), std::make_tuple(kind, file, u"A"_s))
                << describe(f);
            EXPECT_TRUE(f[i].detail.contains(inDetail)) << f[i].detail.toStdString();
        }
    }
}

// Packages loaded together may not share a unit, weak packaged units and packages without the
// duplicate check excepted, and a run-time only package cannot be installed; unchecked ones load not.
TEST_F(HealthCheck, PackagesLoadedTogetherShareNoUnitAndNoneIsRunTimeOnly)
{
    const struct
    {
        QString name;
        quint32 flags; // 2 design only, 4 run only, 8 no duplicate check
        std::vector<test::FixtureUnit> units;
        bool checked = true;
    } packages[] = {{u"first"_s, 2, {{"Shared", 2}, {"Weak", 4}}},
                    {u"second"_s, 2, {{"Shared", 2}, {"Weak", 4}}},
                    {u"unchecked"_s, 2, {{"Shared", 2}}, false},
                    {u"nocheck"_s, 10, {{"Shared", 2}}},
                    {u"runtime"_s, 4, {{"Rt", 2}}}};
    ConfigProject p;
    ComponentListModel& g = p.addGroup(u"G"_s);
    for (const auto& k : packages) {
        put(u"P/"_s + k.name + u".bpl"_s,
            fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, test::packageInfoBlob(k.flags, {}, k.units)}}));
        g.add({k.name, u"C:\\P\\"_s + k.name + u".bpl"_s, {}, {}, k.checked});
    }
    const std::vector<Finding> f = check(p);
    ASSERT_EQ(f.size(), 2u) << describe(f);
    // The group lists its packages by name: runtime comes before second.
    EXPECT_EQ(f[0].kind, FindingKind::RuntimeOnly);
    EXPECT_EQ(f[1].kind, FindingKind::UnitConflict);
    EXPECT_EQ(f[1].detail,
              u"Cannot load package 'second'. It contains unit 'Shared', which is also contained in "
              u"package 'first'."_s);
    EXPECT_TRUE(
        healthReportText(f).startsWith(u"2 findings: 1 unit conflicts, 1 run-time only packages\n"_s));
}

// What PACKAGEINFO requires is followed as the imports are ("base" is base70.bpl, by its version
// suffix; a name with a folder leads nowhere), and a checked package serves the imports of its
// file name wherever it lies.
TEST_F(HealthCheck, RequirementsAreFollowedThroughPackageInfoAndTheCheckedPackages)
{
    const QString folder = box.prefix + u"/drive_c/P"_s;
    QDir().mkpath(folder);
    QDir().mkpath(box.prefix + u"/drive_c/Elsewhere"_s);
    test::PackageBuilder builder(folder);
    if (!builder.missing().isEmpty())
        VX_WINE_UNAVAILABLE(builder.missing().toStdString());
    QString why;
    ASSERT_TRUE(builder.build(u"base70"_s, test::packageInfoBlob(2, {}, {{"Base", 2}}), {}, &why))
        << why.toStdString();
    ASSERT_TRUE(builder.build(
        u"user"_s,
        test::packageInfoBlob(2, {"base", "gone", "..\\Elsewhere\\base70"}, {{"User", 2}, {"Base", 2}}), {},
        &why, {u"base70"_s}))
        << why.toStdString();
    ASSERT_TRUE(QFile::rename(folder + u"/base70.bpl"_s, box.prefix + u"/drive_c/Elsewhere/base70.bpl"_s));

    for (const bool baseChecked : {true, false}) {
        SCOPED_TRACE(baseChecked ? "base checked" : "base unchecked");
        ConfigProject p;
        p.addGroup(u"G"_s).add({u"Base"_s, u"C:\\Elsewhere\\base70.bpl"_s, {}, {}, baseChecked});
        p.group(0).add({u"User"_s, u"C:\\P\\user.bpl"_s, {}, {}, true});
        QStringList got;
        for (const Finding& f : check(p))
            got << findingKindName(f.kind) + u' ' + f.file;
        QStringList expected{u"missing-dependency gone.bpl"_s,
                             u"missing-dependency ..\\Elsewhere\\base70.bpl"_s};
        if (baseChecked)
            expected.append(u"unit-conflict C:\\P\\user.bpl"_s);
        else
            expected.prepend(u"missing-dependency base70.bpl"_s);
        EXPECT_EQ(got, expected) << describe(check(p));
    }
    ConfigProject p;
    p.addGroup(u"G"_s).add({u"User"_s, u"C:\\P\\user.bpl"_s, {}, {}, true});
    EXPECT_TRUE(healthReportText(check(p)).contains(
        u"(user.bpl -> gone.bpl, required by the PACKAGEINFO of user.bpl), which is not in "
        u"C:\\P,"_s))
        << describe(check(p));
}

} // namespace
