// The language and font commands in the window: what the Option page shows, what the shared
// dialogs receive and what reaches the settings file at close.

#include "app/EntryListView.h"
#include "app/MainWindow.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using OptionPageTest = test::MainWindowFixture;

TEST_F(OptionPageTest, ChosenFontShowsBesideTheButtonReachesTheDialogsAndIsStoredWithoutStyle)
{
    IniFile(settings()).writeInteger(u"Font"_s, u"Charset"_s, 134);
    QFont arial(u"Arial"_s, 10);
    arial.setBold(true);
    {
        auto w = start();
        // At start only the input dialog has the window's font.
        ASSERT_TRUE(w->dialogs().input.font.has_value());
        EXPECT_EQ(*w->dialogs().input.font, w->font());
        EXPECT_FALSE(w->dialogs().language.font.has_value());
        EXPECT_FALSE(w->dialogs().fileList.font.has_value());

        prompts.chooseFont(std::nullopt); // the label opens the dialog too; cancel changes nothing
        QTest::mouseClick(w->ui().RzLabelFont, Qt::LeftButton);
        EXPECT_EQ(text(*w, u"RzLabelFont"_s), u"MS Sans Serif, 8"_s);

        prompts.chooseFont(arial);
        w->ui().RzBitBtnFont->click();
        EXPECT_EQ(text(*w, u"RzLabelFont"_s), u"Arial, 10"_s);
        EXPECT_EQ(w->font().family(), u"Arial"_s);
        EXPECT_EQ(w->ui().RzListViewExpert->font().family(), u"Arial"_s) << "the controls follow the window";
        EXPECT_EQ(w->dialogs().language.font, arial);
        EXPECT_TRUE(close(*w));
    }
    IniFile stored(settings());
    EXPECT_EQ(stored.readString(u"Font"_s, u"Name"_s), u"Arial"_s);
    EXPECT_EQ(stored.readInteger(u"Font"_s, u"Size"_s, 0), 10);
    EXPECT_EQ(stored.readInteger(u"Font"_s, u"Charset"_s, 0), 134);

    auto again = start();
    EXPECT_EQ(again->font().family(), u"Arial"_s);
    EXPECT_EQ(again->font().pointSize(), 10);
    EXPECT_FALSE(again->font().bold());
    EXPECT_EQ(text(*again, u"RzLabelFont"_s), u"Arial, 10"_s);
    EXPECT_EQ(again->dialogs().input.font->family(), u"Arial"_s);
    EXPECT_FALSE(again->dialogs().language.font.has_value());
    EXPECT_TRUE(close(*again));
}

TEST_F(OptionPageTest, ChoosingChineseSwitchesTheWindowAndTheLanguageLabel)
{
    auto w = start();
    const QString newProject = w->ui().RzBitBtnNewProject->text();

    prompts.chooseLanguage({});
    QTest::mouseClick(w->ui().RzLabelLang, Qt::LeftButton);
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"English"_s);
    // The search path's buttons carry the Tools menu's captions, in English too.
    const auto pathButtons = [&] {
        return QStringList{w->ui().RzRapidFireButtonAddPath->text(),
                           w->ui().RzRapidFireButtonModifyPath->text(),
                           w->ui().RzRapidFireButtonDelPath->text()};
    };
    EXPECT_EQ(pathButtons(), (QStringList{u"&Add"_s, u"&Modify"_s, u"&Del"_s}));

    prompts.chooseLanguage(u"chinese"_s);
    w->ui().RzButtonLang->click();
    ASSERT_EQ(prompts.languageLists().size(), 2u);
    EXPECT_TRUE(prompts.languageLists()[1].contains(u"chinese"_s));
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"chinese"_s);
    EXPECT_EQ(w->languageName(), u"chinese"_s);
    // Buttons, check boxes and page tabs all take the translated captions.
    const int experts = w->ui().RzPageControl->indexOf(w->ui().TabSheetExperts);
    for (const QString& translated : {w->ui().RzBitBtnNewProject->text(), w->ui().RzCheckBoxValid->text(),
                                      w->ui().RzPageControl->tabText(experts)})
        EXPECT_TRUE(std::any_of(translated.begin(), translated.end(), [](QChar c) {
            return c.unicode() >= 0x4e00;
        })) << translated.toStdString();
    EXPECT_NE(w->ui().RzBitBtnNewProject->text(), newProject);
    EXPECT_EQ(pathButtons()[0], child<QAction>(*w, u"popAddTool"_s)->text());
    EXPECT_EQ(w->dialogs().folder.title, u"包含路径"_s) << "the folder dialog is titled in the language";
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(IniFile(settings()).readString(u"config"_s, u"Language"_s), u"chinese"_s);
}

} // namespace
