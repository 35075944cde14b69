#include "support/MainWindowFixture.h"

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
    prompts.answer(
        u"Expert \"Lost Expert\": the file C:\\Program Files\\Borland\\Delphi7\\Experts\\Lost.dll does not exist."_s,
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
