#include "editing/EditingRules.h"
#include "project/PathMacro.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::editing;

// baseName, folderOf and hintColumn are exercised through the commands in ListCommandsTest and
// GroupCommandsTest; this file keeps the one rule whose edge those tests do not reach.
TEST(EditingRules, WorkingDirectoryRuleTakesDelphiRootWithoutItsBackslash)
{
    const PathMacro macro(QStringLiteral("C:\\Delphi7\\"));
    EXPECT_EQ(shortenWorkingDir(QStringLiteral("C:\\Delphi7"), macro), QStringLiteral("$(Delphi)\\"));
    EXPECT_EQ(shortenWorkingDir(QStringLiteral("c:\\delphi7\\Bin"), macro), QStringLiteral("$(Delphi)\\Bin"));
    EXPECT_EQ(shortenWorkingDir(QStringLiteral("D:\\Tools"), macro), QStringLiteral("D:\\Tools"));
    // Beside DelphiRoot, not inside it: kept whole.
    EXPECT_EQ(shortenWorkingDir(QStringLiteral("C:\\Delphi7Extra\\Bin"), macro), QStringLiteral("C:\\Delphi7Extra\\Bin"));
    EXPECT_EQ(PathMacro(QStringLiteral("C:\\Delphi7")).shorten(QStringLiteral("C:\\Delphi7Extra\\x.dll")),
              QStringLiteral("C:\\Delphi7Extra\\x.dll"));
    EXPECT_EQ(baseName(QStringLiteral("D:\\x\\archive.tar.gz")), QStringLiteral("archive.tar"));
    EXPECT_EQ(folderOf(QStringLiteral("C:\\a.bpl")), QStringLiteral("C:\\"));
}
