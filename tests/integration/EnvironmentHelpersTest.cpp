// The environment helpers: the system directory the IDE sees, registering the debugger library
// through Wine, and the copy of the runtime files.

#include "fixtures/Sandbox.h"
#include "integration/EnvironmentHelpers.h"
#include "platform/Installation.h"
#include "support/FakeWine.h"
#include "support/TemporaryFiles.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

class EnvironmentHelpersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sandbox = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
        inst = Installation::locate(sandbox.delphiHost);
    }
    QTemporaryDir dir;
    fixtures::Sandbox sandbox;
    Installation inst;
};

TEST_F(EnvironmentHelpersTest, SystemDirectoryFollowsThePrefixArchitecture)
{
    EXPECT_EQ(windowsSystemDirectory(sandbox.prefix), u"C:\\windows\\syswow64"_s);
    QTemporaryDir win32;
    test::writeAll(win32.filePath(u"system.reg"_s), "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
    EXPECT_EQ(windowsSystemDirectory(win32.path()), u"C:\\windows\\system32"_s);
}

TEST_F(EnvironmentHelpersTest, RegistrationStartsRegsvr32ThroughWineInThePrefix)
{
    const QString folder = inst.delphiRoot + u"bin\\"_s; // as the folder button leaves it
    {
        test::FakeWine wine(true);
        const RegistrationResult r = registerDebugger(inst, folder);
        EXPECT_TRUE(r.success);
        EXPECT_EQ(r.message, u"register bordbk70.dll success"_s);
        EXPECT_EQ(wine.calls(), (QStringList{u"WINEPREFIX="_s + sandbox.prefix, u"regsvr32"_s, u"/s"_s,
                                             folder + u"\\bordbk70.dll"_s}));
    }
    {
        test::FakeWine none(false);
        const RegistrationResult r = registerDebugger(inst, folder);
        EXPECT_EQ(r.message, u"register bordbk70.dll fail"_s);
        EXPECT_TRUE(r.reason.contains(u"Wine"_s)) << r.reason.toStdString();
    }
    const RegistrationResult missing = registerDebugger(inst, u"C:\\nowhere"_s);
    EXPECT_EQ(missing.message, u"register bordbk70.dll fail"_s);
    EXPECT_TRUE(missing.reason.contains(u"C:\\nowhere\\bordbk70.dll"_s));
}

TEST_F(EnvironmentHelpersTest, CopyStopsAtTheFirstFailureAndNeverLeavesAPartialFile)
{
    const QString system = sandbox.prefix + u"/drive_c/windows/syswow64/"_s;
    QDir().mkpath(system);
    const QStringList names{u"adortl70.bpl"_s, u"AMERICAN.VTD"_s, u"bdertl70.bpl"_s, u"CC3260MT.DLL"_s,
                            u"CFX32.OCX"_s, u"CTL3D32.DLL"_s};
    for (const QString& n : names) {
        if (n != u"CFX32.OCX"_s)
            test::writeAll(system + n, n.toUtf8());
    }
    const QString bin = sandbox.delphiHost + u"/bin/"_s;
    test::writeAll(bin + u"CTL3D32.DLL"_s, "old");
    CopyResult r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 4);
    EXPECT_EQ(r.message, u"Copy file [C:\\windows\\syswow64\\CFX32.OCX] Error!"_s);
    EXPECT_EQ(test::readAll(bin + u"CC3260MT.DLL"_s), "CC3260MT.DLL");
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "old") << "files after the failure are not copied";

    test::writeAll(system + u"CFX32.OCX"_s, "ocx");
    test::makeReadOnly(bin + u"CTL3D32.DLL"_s);
    r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 5) << "a read-only target refuses the copy, as on Windows";
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "old");
    EXPECT_TRUE(test::temporaryFiles(bin).isEmpty());

    QFile::setPermissions(bin + u"CTL3D32.DLL"_s, QFile::ReadOwner | QFile::WriteOwner);
    r = copyRuntimeFiles(inst, u"C:\\windows\\syswow64"_s, names);
    EXPECT_EQ(r.copied, 6);
    EXPECT_EQ(r.message, u"Done."_s);
    EXPECT_EQ(test::readAll(bin + u"CTL3D32.DLL"_s), "CTL3D32.DLL");
}

TEST(RuntimeCopyLabel, ChineseOnlyForTheChineseLanguage)
{
    EXPECT_EQ(runtimeCopyLabel(u"English"_s, u"C:\\windows\\syswow64"_s, u"C:\\D7\\"_s),
              u"Copy these files from <C:\\windows\\syswow64> to <C:\\D7\\Bin>."_s);
    EXPECT_EQ(runtimeCopyLabel(u"chinese"_s, u"S"_s, u"R\\"_s), u"从 <S> 复制文件到 <R\\Bin>."_s);
}

} // namespace
