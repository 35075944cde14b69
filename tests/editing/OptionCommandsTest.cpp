// The language and font commands of the Option page, through the window stand-in.

#include "editing/OptionCommands.h"
#include "support/FakeEditingHost.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::editing::OptionCommands;

namespace {

class OptionCommandsTest : public ::testing::Test
{
protected:
    QTemporaryDir root;
    test::FakeEditingHost host;
    OptionCommands commands{host};

    void SetUp() override
    {
        host.setHostRoot(root.path());
        for (const char* name : {"English.lng", "chinese.lng", "readme.txt", "old.lng.bak"})
            test::writeAll(root.filePath(QString::fromUtf8(name)), "[pop]\nAdd=x\n");
        QDir(root.path()).mkdir(u"x.LNG"_s);
    }
};

TEST_F(OptionCommandsTest, ChosenLanguageIsLoadedAndCancelKeepsTheCurrentOne)
{
    EXPECT_EQ(OptionCommands::languageNames(root.path()), (QStringList{u"chinese"_s, u"English"_s, u"x"_s}));
    EXPECT_TRUE(OptionCommands::languageNames(root.filePath(u"missing"_s)).isEmpty());
    test::ScriptedPrompter prompts;
    prompts.chooseLanguage({}).chooseLanguage(u"chinese"_s);
    commands.RzButtonLangClick();
    EXPECT_TRUE(host.loadedLanguages().isEmpty());
    EXPECT_EQ(host.languageName(), u"English"_s);
    commands.RzButtonLangClick();
    EXPECT_EQ(prompts.languageLists()[0], OptionCommands::languageNames(root.path()));
    EXPECT_EQ(host.loadedLanguages(), QStringList{u"chinese"_s});
    EXPECT_EQ(host.languageName(), u"chinese"_s);
}

TEST_F(OptionCommandsTest, ChosenFontGoesToTheWindowAndTheThreeDialogs)
{
    const QFont before(u"MS Sans Serif"_s, 8);
    host.setDisplayFont(before);
    host.dialogs().input.font = before; // as the window's start gives it
    QFont arial(u"Arial"_s, 10);
    arial.setBold(true);
    test::ScriptedPrompter prompts;
    prompts.chooseFont(std::nullopt).chooseFont(arial);
    commands.RzBitBtnFontClick();
    EXPECT_EQ(host.displayFont(), before);
    EXPECT_EQ(host.dialogs().input.font, before);
    EXPECT_FALSE(host.dialogs().fileList.font.has_value());
    EXPECT_FALSE(host.dialogs().language.font.has_value());
    commands.RzBitBtnFontClick();
    EXPECT_EQ(host.displayFont(), arial);
    for (const auto* state : {&host.dialogs().input.font, &host.dialogs().fileList.font, &host.dialogs().language.font})
        EXPECT_EQ(*state, arial);
}

} // namespace
