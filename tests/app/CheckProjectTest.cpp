#include "app/MainWindow.h"
#include "app/RegistryCommands.h"
#include "platform/registry/RegistryStore.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QPushButton>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using CheckProjectTest = test::ProjectWindowFixture;

} // namespace

TEST_F(CheckProjectTest, TheButtonShowsTheReportOfTheListsInTheWindow)
{
    QPushButton* check = w->findChild<QPushButton*>(u"RzBitBtnCheckProject"_s);
    ASSERT_NE(check, nullptr);
    prompts.answer(u"Expert \"Lost Expert\": the file C:\\Program Files\\Borland\\Delphi7\\Experts\\Lost.dll does not exist."_s,
                   Prompter::Ok);
    check->click();

    // What the window holds is checked, not the file: a row removed in the window is no finding.
    for (int r = w->project().experts().count() - 1; r >= 0; --r) {
        if (w->project().experts().entry(r).name == u"Lost Expert"_s)
            w->project().experts().removeRowAt(r);
    }
    prompts.answer(u"4 findings"_s, Prompter::Ok);
    check->click();
}

// Apply's question says what Apply will change before anything is written, also where Get Delphi
// reads nothing: the palette layout goes.
TEST_F(CheckProjectTest, ApplyAsksWithThePreviewOfItsChanges)
{
    const QString palette = u"Software\\Borland\\Delphi\\7.0\\Palette"_s;
    {
        HiveRegistryStore store(sb.prefix);
        store.createKey(RegRoot::CurrentUser, palette);
        store.setValue(RegRoot::CurrentUser, palette, RegValue::string(u"Standard"_s, u"TButton"_s));
        store.commit();
    }
    const QByteArray userReg = test::readAll(sb.prefix + u"/user.reg"_s);
    prompts.answer(
        u"Do you really want to apply it to Delphi?\n\nApply makes 2 expert changes, 4 package changes, "
        u"14 tool changes, 1 search path change and 2 other value changes."_s,
        Prompter::Cancel);
    w->registry().RzBitBtnApplyProjectClick();
    EXPECT_TRUE(
        prompts.messages().back().details.contains(u"Other values:\n  HKEY_CURRENT_USER\\"_s + palette +
                                                   u": key removed\n    removed Standard = TButton"_s))
        << prompts.messages().back().details.toStdString();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userReg);
}
