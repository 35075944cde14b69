#include "project/PathMacro.h"
#include "fixtures/Sandbox.h"
#include "platform/PathBridge.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

TEST(PathMacro, ShortenNeedsTheWholeRootExpandTheWholeMacro)
{
    const PathMacro m(u"C:\\Borland\\Delphi7\\"_s);
    EXPECT_EQ(m.shorten(u"c:\\BORLAND\\delphi7\\Bin\\dclstd70.bpl"_s), u"$(Delphi)\\Bin\\dclstd70.bpl"_s);
    EXPECT_EQ(m.shorten(u"C:\\Borland\\Delphi7\\"_s), u"$(Delphi)\\"_s);
    EXPECT_EQ(m.shorten(u"C:\\Borland\\Delphi70\\x.bpl"_s), u"C:\\Borland\\Delphi70\\x.bpl"_s);
    // Only ASCII letters fold: a root with a non-ASCII letter must match that letter exactly.
    const PathMacro u8(u"C:\\\u00c4\\"_s);
    EXPECT_EQ(u8.shorten(u"c:\\\u00c4\\x"_s), u"$(Delphi)\\x"_s);
    EXPECT_EQ(u8.shorten(u"C:\\\u00e4\\x"_s), u"C:\\\u00e4\\x"_s);
    EXPECT_EQ(PathMacro(u"D:\\Delphi"_s).delphiRoot(), u"D:\\Delphi\\"_s);

    EXPECT_EQ(m.expand(u"$(Delphi)\\Bin"_s), u"C:\\Borland\\Delphi7\\Bin"_s);
    EXPECT_EQ(m.expand(u"$(Delphi)"_s), u"$(Delphi)"_s);
    EXPECT_TRUE(m.isSameFile(u"c:\\borland\\DELPHI7\\bin\\X.BPL"_s, u"$(Delphi)\\Bin\\x.bpl"_s));
    EXPECT_FALSE(m.isSameFile(u"C:\\Borland\\Delphi7\\Bin\\x.bpl2"_s, u"$(Delphi)\\Bin\\x.bpl"_s));
}

TEST(PathMacro, ImagesTellInsideOutsideAndMissing)
{
    QTemporaryDir dir;
    const fixtures::Sandbox sb = fixtures::makeSandbox(dir.path());
    const PathBridge bridge(sb.prefix);
    const PathMacro m(sb.delphiRoot);
    EXPECT_EQ(m.entryImageIndex(u"$(Delphi)\\BIN\\DCLSTD70.bpl"_s, &bridge), ImageInsideRoot);
    EXPECT_EQ(m.entryImageIndex(u"$(Delphi)\\bin\\missing.bpl"_s, &bridge), ImageInsideRootMissing);
    EXPECT_EQ(m.entryImageIndex(sb.delphiRoot + u"bin\\dclstd70.bpl"_s, &bridge), ImageOutsideRoot);
    EXPECT_EQ(m.entryImageIndex(sb.delphiRoot + u"bin"_s, &bridge), ImageOutsideRootMissing)
        << "a directory is no file";
}
