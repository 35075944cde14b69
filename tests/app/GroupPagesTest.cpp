// The group pages of the window: numbering after a delete, the active page, the group popup on
// the tab a press addressed, the package commands on the real lists.

#include "app/EntryListView.h"
#include "app/MainWindow.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QTabBar>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class GroupPagesTest : public test::MainWindowFixture
{
  protected:
    static void run(app::TFormMain& w, const QString& action) { child<QAction>(w, action)->trigger(); }
    // A right-button press on a group tab, as opening its popup starts: it addresses the tab
    // without making it the current one.
    static void pressTab(app::TFormMain& w, int tab)
    {
        QTabBar* bar = w.ui().RzPageControlComp->tabBar();
        QTest::mousePress(bar, Qt::RightButton, {}, bar->tabRect(tab).center());
        QTest::mouseRelease(bar, Qt::RightButton, {}, bar->tabRect(tab).center());
    }
    static QStringList pages(app::TFormMain& w)
    {
        QStringList out;
        QTabWidget* tabs = w.ui().RzPageControlComp;
        for (int t = 0; t < tabs->count(); ++t) {
            auto* list = tabs->widget(t)->findChild<app::EntryListView*>();
            out << tabs->widget(t)->objectName() + u'/' + (list ? list->objectName() : QString()) + u'/' +
                       tabs->tabText(t) +
                       (list && list->entryModel() == &w.project().group(t) ? u""_s : u"!"_s);
        }
        return out;
    }
};

TEST_F(GroupPagesTest, DeletingAGroupRenumbersTheLaterPagesAndKeepsTheActiveOne)
{
    auto w = start();
    w->show();
    w->ui().RzPageControl->setCurrentWidget(w->ui().TabSheetComponents);
    for (const QString& name : {u"G1"_s, u"G2"_s, u"G3"_s, u"G4"_s}) {
        prompts.type(name);
        run(*w, u"popAddGroup"_s);
    }
    EXPECT_EQ(w->ui().RzPageControlComp->currentIndex(), 3);

    pressTab(*w, 1);
    EXPECT_EQ(w->addressedGroup(), 1);
    EXPECT_EQ(w->ui().RzPageControlComp->currentIndex(), 3);
    prompts.answer(u"[G2]"_s, Prompter::Yes);
    run(*w, u"popDelGroup"_s);
    EXPECT_EQ(pages(*w), (QStringList{u"TabComp1/ListViewComp1/G1"_s, u"TabComp2/ListViewComp2/G3"_s,
                                      u"TabComp3/ListViewComp3/G4"_s}));
    EXPECT_EQ(w->findChild<QWidget*>(u"ListViewComp4"_s), nullptr);
    EXPECT_EQ(w->ui().RzPageControlComp->tabText(w->ui().RzPageControlComp->currentIndex()), u"G4"_s);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Component[G4]: 0"_s);

    // The active last page goes: the new last one is shown.
    pressTab(*w, 2);
    prompts.answer(u"[G4]"_s, Prompter::Yes);
    run(*w, u"popDelGroup"_s);
    EXPECT_EQ(w->ui().RzPageControlComp->currentIndex(), 1);
    EXPECT_EQ(w->project().activeGroup(), 1);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Component[G3]: 0"_s);

    // Rename acts on the addressed tab, not on the shown one.
    pressTab(*w, 0);
    prompts.type(u"First"_s);
    run(*w, u"popModifyGroup"_s);
    EXPECT_EQ(w->ui().RzPageControlComp->tabText(0), u"First"_s);
    EXPECT_EQ(w->ui().RzPageControlComp->currentIndex(), 1);
}

// Without a group there is no tab bar: the page itself offers the group popup, so that the first
// group can be added.
TEST_F(GroupPagesTest, ThePageWithoutGroupsOffersTheGroupPopupAndTheKeyboardAddressesAnyGroup)
{
    auto w = start();
    w->show();
    w->project().experts().add({u"E"_s, u"$(Delphi)\\e.dll"_s, {}, true});
    w->RzPageControlTabClick();
    w->ui().RzPageControl->setCurrentWidget(w->ui().TabSheetComponents);
    ASSERT_EQ(w->ui().RzPageControlComp->count(), 0);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Component: 0"_s) << "not the counts of the page shown before";
    for (QWidget* on : {static_cast<QWidget*>(w->ui().RzPageControlComp), w->ui().TabSheetComponents}) {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, on->rect().center(),
                                  on->mapToGlobal(on->rect().center()));
        QCoreApplication::sendEvent(on, &menuKey);
        EXPECT_TRUE(w->ui().PopupMenuGroup->isVisible()) << on->objectName().toStdString();
        w->ui().PopupMenuGroup->hide();
    }
    prompts.type(u"First"_s).type(u"Second"_s);
    run(*w, u"popAddGroup"_s);
    run(*w, u"popAddGroup"_s);
    EXPECT_EQ(w->addressedGroup(), 1) << "a new group is the current and the addressed one";

    // The keyboard moves along the tab bar and addresses the group it reaches.
    QTabBar* bar = w->ui().RzPageControlComp->tabBar();
    EXPECT_EQ(bar->focusPolicy(), Qt::StrongFocus);
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(w->addressedGroup(), 0);
    prompts.type(u"Renamed"_s);
    run(*w, u"popModifyGroup"_s);
    EXPECT_EQ(w->ui().RzPageControlComp->tabText(0), u"Renamed"_s);

    // A press on the page control outside its tabs addresses no group: Rename then does nothing.
    QTabWidget* tabs = w->ui().RzPageControlComp;
    ASSERT_FALSE(bar->geometry().contains(tabs->rect().center()));
    QTest::mousePress(tabs, Qt::RightButton, {}, tabs->rect().center());
    EXPECT_EQ(w->addressedGroup(), -1);
    run(*w, u"popModifyGroup"_s);
}

TEST_F(GroupPagesTest, AddComponentSelectsTheNewRowOfTheShownList)
{
    auto w = start();
    prompts.type(u"Standard"_s);
    run(*w, u"popAddGroup"_s);
    prompts.chooseOpen(sb.delphiHost + u"/Projects/Bpl/mine.bpl"_s).type(u"Mine"_s).chooseFolder({}).type({});
    run(*w, u"popAddComp"_s);
    auto* list = child<app::EntryListView>(*w, u"ListViewComp1"_s);
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_EQ(w->project().group(0).entry(0).file, u"$(Delphi)\\Projects\\Bpl\\mine.bpl"_s);
}

} // namespace
