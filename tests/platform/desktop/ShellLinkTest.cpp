// Shortcut files: the bytes we write, and what Wine's own shell link object reads from them.

#include "platform/desktop/ShellLink.h"
#include "platform/Errors.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"
#include "support/WinProbe.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const ShellLinkData kIde{u"C:\\Program Files\\Borland\\Delphi7\\bin\\Delphi32.exe"_s,
                         u"C:\\Program Files\\Borland\\Delphi7\\bin"_s,
                         {}};
const ShellLinkData kProgram{
    u"C:\\Program Files\\Borland\\Delphi7\\Vorlix7.exe"_s, u"C:\\Program Files\\Borland\\Delphi7\\"_s, {}};

TEST(ShellLink, BytesMatchTheGoldenLinks)
{
    EXPECT_EQ(shellLinkBytes(kIde, 1252, u"Delphi7.lnk"_s),
              test::readAll(QStringLiteral(VX_PLATFORM_GOLDEN_DIR "/Delphi7.lnk")));
    EXPECT_EQ(shellLinkBytes(kProgram, 1252, u"Vorlix7.lnk"_s),
              test::readAll(QStringLiteral(VX_PLATFORM_GOLDEN_DIR "/Vorlix7.lnk")));
}

TEST(ShellLink, TargetsWindowsCannotHoldAreRefusedByName)
{
    const auto message = [](const ShellLinkData& link) {
        return test::errorOf<OperationError>([&] { shellLinkBytes(link, 1252, u"/tmp/x.lnk"_s); });
    };
    const QString unfit = message({u"C:\\工具\\a.exe"_s, {}, {}});
    EXPECT_TRUE(unfit.contains(u"C:\\工具\\a.exe"_s) && unfit.contains(u"/tmp/x.lnk"_s))
        << unfit.toStdString();
    EXPECT_TRUE(message({u"C:\\"_s + QString(300, u'a'), {}, {}}).contains(u"longer than"_s));
    EXPECT_FALSE(message({}).isEmpty());
    // Code page 936 holds the same target.
    EXPECT_NO_THROW(shellLinkBytes({u"C:\\工具\\a.exe"_s, {}, {}}, 936, u"x.lnk"_s));
}

class ShellLinkWineTest : public test::ProbeTest
{
  protected:
    ShellLinkWineTest() : ProbeTest(u"link_probe"_s) {}
};

TEST_F(ShellLinkWineTest, WinesShellLinkObjectReadsWhatWeWrote)
{
    const QString longDir = u"C:\\"_s + QString(200, u'd') + u"\\Café Tools"_s;
    const std::vector<ShellLinkData> links{
        kIde,
        kProgram,
        {longDir + u"\\bin\\x.exe"_s, longDir, u"-a \"quoted arg\" ü"_s},
    };
    for (size_t i = 0; i < links.size(); ++i) {
        const QString host = s_dir->filePath(u"link%1.lnk"_s.arg(i));
        test::writeAll(host, shellLinkBytes(links[i], 1252, host));
        const std::optional<QString> out =
            run(u"wine"_s, {test::probePath(u"link_probe"_s), test::zPath(host)});
        ASSERT_TRUE(out.has_value()) << "link_probe failed on " << host.toStdString();
        const QStringList lines = out->split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3) << out->toStdString();
        EXPECT_EQ(test::fromProbeHex(lines[0].trimmed()), links[i].target);
        EXPECT_EQ(test::fromProbeHex(lines[1].trimmed()), links[i].workingDir);
        EXPECT_EQ(test::fromProbeHex(lines[2].trimmed()), links[i].arguments);
    }
}

} // namespace
