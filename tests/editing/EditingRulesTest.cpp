#include "editing/EditingRules.h"
#include "project/PathMacro.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::editing;

TEST(EditingRules, NamesAndFoldersOfWindowsPaths)
{
    EXPECT_EQ(baseName(QStringLiteral("C:\\Delphi7\\Experts\\a.dll")), QStringLiteral("a"));
    EXPECT_EQ(baseName(QStringLiteral("D:\\x\\archive.tar.gz")), QStringLiteral("archive.tar"));
    EXPECT_EQ(baseName(QStringLiteral("D:\\x\\noext")), QStringLiteral("noext"));
    EXPECT_EQ(folderOf(QStringLiteral("C:\\Delphi7\\Bin\\a.bpl")), QStringLiteral("C:\\Delphi7\\Bin"));
    EXPECT_EQ(folderOf(QStringLiteral("C:\\a.bpl")), QStringLiteral("C:\\"));
}

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
}

TEST(EditingRules, HintColumnByPressPosition)
{
    const QList<int> widths{100, 200, 50};
    EXPECT_EQ(hintColumn(0, widths), 0);
    EXPECT_EQ(hintColumn(100, widths), 0);
    EXPECT_EQ(hintColumn(101, widths), 1);
    EXPECT_EQ(hintColumn(300, widths), 1);
    EXPECT_EQ(hintColumn(351, widths), 2);
    EXPECT_EQ(hintColumn(5000, widths), 2);
}
