#include "integration/HealthCheck.h"
#include "fixtures/PeBuilder.h"
#include "fixtures/Sandbox.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/ByteFields.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
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
        bridge = PathBridge(box.prefix);
        macro = PathMacro(box.delphiRoot);
        QDir().mkpath(box.prefix + u"/drive_c/windows/syswow64"_s);
    }

    void put(const QString& hostRelative, const QByteArray& bytes)
    {
        vx::test::writeAll(box.prefix + u"/drive_c/"_s + hostRelative, bytes);
    }

    std::vector<Finding> check(const ConfigProject& p) const
    {
        return checkProjectHealth(p, macro, bridge, {u"C:\\windows\\syswow64"_s, u"C:\\windows"_s});
    }

    QTemporaryDir dir;
    fixtures::Sandbox box;
    PathBridge bridge;
    PathMacro macro;
};

std::string describe(const std::vector<Finding>& findings)
{
    return healthReportText(findings).toStdString();
}

} // namespace

TEST_F(HealthCheck, TheSandboxConfigurationIsClean)
{
    ConfigProject p;
    p.experts().add({u"Code Tools"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, true});
    ComponentListModel& g = p.addGroup(u"Delphi7"_s);
    g.add({u"Std"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s, {}, {}, true});
    g.add({u"Db"_s, u"$(Delphi)\\BIN\\DCLDB70.BPL"_s, {}, {}, true});
    g.add({u"Grid"_s, u"$(Delphi)\\Projects\\Bpl\\GridPack.bpl"_s, u"$(Delphi)\\Lib"_s, {}, true});
    p.addGroup(u"Other"_s).add({u"Report"_s, u"C:\\Tools\\Packages\\ReportTools.bpl"_s, {}, {}, false});
    p.tools().add({u"Image Editor"_s, u"$(Delphi)\\bin\\imagedit.exe"_s, u"$(Delphi)\\bin\\"_s, {}, true});
    p.searchPath().addPath(u"$(Delphi)\\Lib"_s);
    p.searchPath().addPath(u"C:\\Tools\\Lib"_s);
    const std::vector<Finding> f = check(p);
    EXPECT_TRUE(f.empty()) << describe(f);
    EXPECT_EQ(healthReportText(f), u"No problems found."_s);
}

TEST_F(HealthCheck, ReportsMissingFilesDuplicatesAndAMissingDependency)
{
    // A package that needs one package found in the system directory, one in its own folder and
    // one nowhere; a system DLL it imports is not looked up.
    put(u"windows/syswow64/rtl70.bpl"_s, fixtures::buildPeWithImports({}));
    put(u"Pkgs/Sibling.bpl"_s, fixtures::buildPeWithImports({}));
    put(u"Pkgs/Needy.bpl"_s, fixtures::buildPeWithImports(
                                 {u"rtl70.bpl"_s, u"sibling.BPL"_s, u"Vanished70.bpl"_s, u"user32.dll"_s}));
    put(u"Pkgs/NotPe.bpl"_s, "MZ but nothing more");

    ConfigProject p;
    p.experts().add({u"Lost"_s, u"$(Delphi)\\Experts\\Lost.dll"_s, {}, true});
    p.experts().add({u"Code Tools"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, true});
    p.experts().add({u"Code Tools again"_s, u"C:\\Program Files\\Borland\\Delphi7\\experts\\codetools.dll"_s, {}, true});
    p.addGroup(u"A"_s).add({u"Needy"_s, u"C:\\Pkgs\\Needy.bpl"_s, u"C:\\Pkgs;C:\\NoInclude"_s, {}, true});
    p.group(0).add({u"Broken"_s, u"C:\\Pkgs\\NotPe.bpl"_s, {}, {}, false});
    p.addGroup(u"B"_s).add({u"Needy copy"_s, u"c:\\pkgs\\NEEDY.bpl"_s, {}, {}, true});
    p.tools().add({u"Gone"_s, u"C:\\Tools\\gone.exe"_s, u"C:\\NoSuchDir"_s, {}, true});
    p.tools().add({u"Notepad"_s, u"notepad.exe"_s, {}, {}, true});
    put(u"windows/notepad.exe"_s, "MZ");
    p.searchPath().addPath(u"$(Delphi)\\Lib"_s);
    p.searchPath().addPath(u"C:\\Program Files\\Borland\\Delphi7\\LIB\\"_s);
    p.searchPath().addPath(u"C:\\Nowhere"_s);

    const std::vector<Finding> f = check(p);
    const auto find = [&](FindingKind kind, const QString& file) -> const Finding* {
        for (const Finding& x : f) {
            if (x.kind == kind && x.file == file)
                return &x;
        }
        return nullptr;
    };
    for (const char16_t* missing : {u"$(Delphi)\\Experts\\Lost.dll", u"C:\\NoInclude", u"C:\\Tools\\gone.exe",
                                    u"C:\\NoSuchDir", u"C:\\Nowhere"})
        EXPECT_NE(find(FindingKind::MissingFile, QString::fromUtf16(missing)), nullptr) << describe(f);
    ASSERT_NE(find(FindingKind::MissingFile, u"$(Delphi)\\Experts\\Lost.dll"_s), nullptr);
    EXPECT_EQ(find(FindingKind::MissingFile, u"$(Delphi)\\Experts\\Lost.dll"_s)->list, u"experts"_s);

    const Finding* dupExpert = find(FindingKind::Duplicate, u"C:\\Program Files\\Borland\\Delphi7\\experts\\codetools.dll"_s);
    ASSERT_NE(dupExpert, nullptr) << describe(f);
    EXPECT_EQ(dupExpert->entry, u"Code Tools again"_s);
    EXPECT_TRUE(dupExpert->detail.contains(u"\"Code Tools\""_s)) << dupExpert->detail.toStdString();
    const Finding* dupPackage = find(FindingKind::Duplicate, u"c:\\pkgs\\NEEDY.bpl"_s);
    ASSERT_NE(dupPackage, nullptr) << describe(f);
    EXPECT_EQ(dupPackage->list, u"packages"_s);
    EXPECT_NE(find(FindingKind::Duplicate, u"C:\\Program Files\\Borland\\Delphi7\\LIB\\"_s), nullptr) << describe(f);

    const Finding* dep = find(FindingKind::MissingDependency, u"Vanished70.bpl"_s);
    ASSERT_NE(dep, nullptr) << describe(f);
    EXPECT_EQ(dep->entry, u"Needy"_s);
    EXPECT_TRUE(dep->detail.contains(u"\"Needy\""_s));
    EXPECT_NE(find(FindingKind::UnreadableFile, u"C:\\Pkgs\\NotPe.bpl"_s), nullptr) << describe(f);

    // The copy listed twice is read once but reported for each listing (2 missing dependencies,
    // counted in the summary); nothing else is.
    EXPECT_EQ(f.size(), 11u) << describe(f);
    EXPECT_TRUE(healthReportText(f).startsWith(u"11 findings: 5 missing files, 3 duplicates, 2 missing dependencies, "
                                               u"1 unreadable packages\n"_s))
        << describe(f);
}

// One package, C:\Pkgs\A.bpl, and the files around it: what the check says about the image and
// about everything it loads, as far down as the imports go.
TEST_F(HealthCheck, APackageIsCheckedAsTheIdesProcessWouldLoadIt)
{
    const auto pkg = [](const QStringList& imports) { return fixtures::buildPeWithImports(imports); };
    const QByteArray x86 = pkg({u"KERNEL32.dll"_s});
    QByteArray arm = x86; // a PE32 image for another machine
    vx::test::set16(arm, vx::test::get32(arm, 0x3C) + 4, 0x1C0);
    QByteArray x64Broken = fixtures::buildPeWithImports({u"Gone70.bpl"_s}, true);
    vx::test::set32(x64Broken, 0x200 + 12, 0x7FFF0000); // the first descriptor's name: outside the file
    const QString a = u"C:\\Pkgs\\A.bpl"_s;
    struct Expected
    {
        FindingKind kind;
        QString file;
        QString inDetail;
    };
    const struct
    {
        const char* what;
        QList<QPair<QString, QByteArray>> files; // under drive C
        std::vector<Expected> findings;
    } cases[] = {
        {"a 32-bit x86 package", {{u"Pkgs/A.bpl"_s, x86}}, {}},
        {"a 64-bit DLL renamed .bpl",
         {{u"Pkgs/A.bpl"_s, fixtures::buildPeWithImports({u"Gone70.bpl"_s}, true)}},
         {{FindingKind::WrongMachine, a, u"(machine 0x8664, PE32+)"_s}}},
        {"a 64-bit DLL whose import table cannot be read",
         {{u"Pkgs/A.bpl"_s, x64Broken}},
         {{FindingKind::WrongMachine, a, u"not a 32-bit x86 image"_s}}},
        {"a PE32 image for ARM", {{u"Pkgs/A.bpl"_s, arm}}, {{FindingKind::WrongMachine, a, u"(machine 0x1c0, PE32)"_s}}},
        {"a package missing two levels down",
         {{u"Pkgs/A.bpl"_s, pkg({u"KERNEL32.dll"_s, u"B.bpl"_s})}, {u"Pkgs/B.bpl"_s, pkg({u"C.bpl"_s})}},
         {{FindingKind::MissingDependency, u"C.bpl"_s, u"(A.bpl -> B.bpl -> C.bpl), which is not in C:\\Pkgs,"_s}}},
        {"a chain through the system directory, looked up in the importer's folder",
         {{u"Pkgs/A.bpl"_s, pkg({u"Sys70.bpl"_s})}, {u"windows/syswow64/Sys70.bpl"_s, pkg({u"Lost70.bpl"_s})}},
         {{FindingKind::MissingDependency, u"Lost70.bpl"_s,
           u"(A.bpl -> Sys70.bpl -> Lost70.bpl), which is not in C:\\windows\\syswow64,"_s}}},
        {"an import cycle",
         {{u"Pkgs/A.bpl"_s, pkg({u"B.bpl"_s})}, {u"Pkgs/B.bpl"_s, pkg({u"a.BPL"_s, u"B.bpl"_s, u"Gone.bpl"_s})}},
         {{FindingKind::MissingDependency, u"Gone.bpl"_s, u"(A.bpl -> B.bpl -> Gone.bpl)"_s}}},
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
            EXPECT_EQ(f[i].kind, c.findings[i].kind) << describe(f);
            EXPECT_EQ(f[i].file, c.findings[i].file);
            EXPECT_EQ(f[i].entry, u"A"_s);
            EXPECT_TRUE(f[i].detail.contains(c.findings[i].inDetail)) << f[i].detail.toStdString();
        }
    }
}
