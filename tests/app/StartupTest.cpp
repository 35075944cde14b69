#include "app/Startup.h"
#include "fixtures/Sandbox.h"
#include "project/ProgramPlace.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class StartupTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    FinderEnvironment env{dir.filePath(u"home"_s), {}, {}, {}, {}};
    QString config = programConfigPath(env.configHome());
    QString programDir = dir.filePath(u"usr/bin"_s);

    StartupTest() { QDir().mkpath(programDir); }
    fixtures::Sandbox prefix(const QString& belowHome) const
    {
        return fixtures::makeSandbox(env.home + u'/' + belowHome);
    }
    app::StartInstallation start(const QStringList& args = {}) const
    {
        return app::chooseStartInstallation(programDir, app::parseStartOptions(args), env, config);
    }
};

// The options are taken out of the arguments. One installation found is used without a question;
// beside the IDE or with --root nothing is searched, so a second prefix asks nothing either.
TEST_F(StartupTest, OneInstallationFoundBesideTheIdeOrWithRootIsUsedWithoutAQuestion)
{
    const app::StartOptions o = app::parseStartOptions({u"--root"_s, u"/d7"_s, u"--prefix=/p"_s, u"a.vx7"_s});
    EXPECT_EQ(o.root + u'|' + o.prefix + u'|' + o.rest.join(u' '), u"/d7|/p|a.vx7"_s);
    EXPECT_EQ(app::parseStartOptions({u"a.vx7"_s, u"--root"_s}).error, u"--root needs a folder"_s);

    const fixtures::Sandbox sb = prefix(u".wine"_s);
    const test::ScriptedPrompter prompts; // any question fails
    const app::StartInstallation s = start();
    ASSERT_TRUE(s.installation);
    EXPECT_EQ(s.installation->prefix(), sb.prefix); // the one Delphi of that prefix
    EXPECT_FALSE(QFile::exists(config)) << "nothing to remember";

    prefix(u".cxoffice/D7"_s);
    const fixtures::Sandbox other = fixtures::makeSandbox(dir.filePath(u"other"_s));
    programDir = other.delphiHost;
    EXPECT_EQ(start().installation->hostRoot, other.delphiHost);
    programDir = dir.filePath(u"usr/bin"_s);
    const app::StartInstallation named = start({u"--root"_s, other.delphiHost});
    ASSERT_TRUE(named.installation);
    EXPECT_EQ(named.installation->prefix(), other.prefix);

    const app::StartInstallation missing = start({u"--root"_s, dir.filePath(u"nothing"_s)});
    EXPECT_FALSE(missing.installation);
    EXPECT_EQ(
        missing.refusal,
        u"Delphi(Bin\\Delphi32.exe) is not found!\n\nPlease copy me to Delphi's directory and run again."_s);
}

TEST_F(StartupTest, AmongSeveralTheUserChoosesAndTheChoiceIsRemembered)
{
    const fixtures::Sandbox wine = prefix(u".wine"_s);
    const fixtures::Sandbox cx = prefix(u".cxoffice/D7"_s);
    {
        test::ScriptedPrompter prompts;
        prompts.chooseItem(1);
        const app::StartInstallation s = start();
        ASSERT_TRUE(s.installation);
        EXPECT_EQ(s.installation->prefix(), cx.prefix);
        EXPECT_EQ(prompts.choiceLists()[0],
                  (QStringList{wine.prefix + u" \u2014 C:\\Program Files\\Borland\\Delphi7\\ \u2014 7.0"_s,
                               cx.prefix + u" \u2014 C:\\Program Files\\Borland\\Delphi7\\ \u2014 7.0"_s}));
        EXPECT_EQ(prompts.preselectedItems(), std::vector<int>{0});
    }
    {
        test::ScriptedPrompter prompts;
        prompts.chooseItem(-1); // the remembered one preselected; cancelled: no installation
        const app::StartInstallation s = start();
        EXPECT_FALSE(s.installation);
        EXPECT_TRUE(s.refusal.isEmpty());
        EXPECT_EQ(prompts.preselectedItems(), std::vector<int>{1});
    }
    ASSERT_TRUE(chosenInstallation(config));
    EXPECT_EQ(chosenInstallation(config)->hostRoot, cx.delphiHost) << "a cancel keeps the choice";
}

TEST_F(StartupTest, NoneFoundNamesThePlacesSearchedAndHowToAddOne)
{
    fixtures::SandboxOptions six;
    six.productVersion = u"6.0"_s;
    fixtures::makeSandbox(env.home + u"/.wine"_s, six);
    const app::StartInstallation s = start();
    EXPECT_FALSE(s.installation);
    // Which places are searched is the finder's test; here they reach the message.
    for (const QString& text :
         QStringList{u"Delphi(Bin\\Delphi32.exe) is not found!"_s, env.home + u"/.wine\n"_s,
                     env.home + u"/.cxoffice/*"_s, u"--root"_s, config})
        EXPECT_TRUE(s.refusal.contains(text)) << text.toStdString() << " in " << s.refusal.toStdString();
    EXPECT_FALSE(start({u"--prefix"_s, env.home + u"/.wine"_s}).refusal.contains(u"/.cxoffice"_s))
        << "a named prefix is the only place searched";
}

} // namespace
