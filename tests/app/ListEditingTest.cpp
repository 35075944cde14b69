// The list and group commands as a user reaches them on the real lists and pages: keys on the
// focused list, the popup menus from the keyboard, in-place editing, the columns, the numbering of
// the group pages after a delete and the group a press or a key addresses. What the commands do to
// the project is tested in tests/editing without the window.
#include "app/EntryListView.h"
#include "app/MainWindow.h"
#include "app/ProjectCommands.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;

namespace {

class ListEditing : public test::ProjectWindowFixture
{
  protected:
    // The window shown and active, with `page` in front and `list` focused.
    void focus(QWidget* page, QAbstractItemView* list)
    {
        w->ui().RzPageControl->setCurrentWidget(page);
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        view = list;
        view->setFocus();
    }
    void press(Qt::Key key, int row)
    {
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, key);
    }
    QString current() const { return view->currentIndex().data().toString(); }

    QAbstractItemView* view = nullptr;
};

// After a click on any cell, the current cell is that row's first one, whose keys they are: Space
// toggles its check box (not a search for a text starting with a blank). Insert adds and selects
// the new row, Return modifies the current row, Delete deletes it and selects the next, ready for
// the next key.
TEST_F(ListEditing, KeysOfTheFocusedListActOnTheRowAndRunItsCommands)
{
    focus(w->ui().TabSheetExperts, w->ui().RzListViewExpert);
    const QModelIndex note = view->model()->index(1, 2), name = note.siblingAtColumn(0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(note).center());
    ASSERT_EQ(view->currentIndex(), name);
    const QVariant before = name.data(Qt::CheckStateRole);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_NE(name.data(Qt::CheckStateRole), before);

    prompts.chooseOpen(sb.delphiHost + u"/Experts/New.dll"_s).type(u"New Expert"_s).type({});
    press(Qt::Key_Insert, 0); // the modify question below names the new, current row
    prompts.answer(u"Do you really want to modify [New Expert] ?"_s, Prompter::No);
    press(Qt::Key_Return, view->currentIndex().row());
    prompts.answer(u"Do you really want to delete [Form Designer Plus] ?"_s, Prompter::Yes);
    press(Qt::Key_Delete, 1);
    EXPECT_EQ(w->ui().RzStatusPane1->text(), u"Expert: 4"_s) << "the counters follow the delete";
    EXPECT_TRUE(view->selectionModel()->isRowSelected(1, {})) << "the next row, ready for the next key";

    // The search path keeps its rows sorted: the new one is selected where it lands.
    QDir().mkpath(sb.delphiHost + u"/Source"_s);
    focus(w->ui().TabSheetOption, w->ui().RzListViewSearchPath);
    prompts.chooseFolder(sb.delphiHost + u"/Source"_s);
    press(Qt::Key_Insert, 0);
    EXPECT_EQ(current(), u"$(Delphi)\\Source"_s);
}

// The Menu key opens the list's popup menu at the current row, not where the pointer is (Shift+F10
// is a shortcut to the same handler).
TEST_F(ListEditing, PopupMenusOpenFromTheKeyboardAtTheCurrentRow)
{
    focus(w->ui().TabSheetTool, w->ui().RzListViewTool);
    view->setCurrentIndex(view->model()->index(2, 0));
    const QRect r = view->visualRect(view->model()->index(2, 0));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {300, 300},
                              view->viewport()->mapToGlobal(QPoint(300, 300)));
    QApplication::sendEvent(view->viewport(), &menuKey);
    ASSERT_TRUE(w->ui().PopupMenuTool->isVisible());
    EXPECT_EQ(w->ui().PopupMenuTool->pos(), view->viewport()->mapToGlobal(QPoint(r.left() + 8, r.bottom())));
    w->ui().PopupMenuTool->hide();
}

// The stored widths hold for the columns, the user's changes are saved, and the last column, which
// fills the list, is saved at its stored width, not at the width the window gives it.
TEST_F(ListEditing, ColumnWidthsComeFromTheProjectAndGoBackToIt)
{
    focus(w->ui().TabSheetExperts, w->ui().RzListViewExpert);
    auto* list = static_cast<app::EntryListView*>(view);
    QHeaderView* header = list->header();
    const ListViewSettings stored = list->entryModel()->viewSettings();
    EXPECT_EQ(header->sectionSize(0), stored.columnWidths[0]);
    w->resize(w->width() + 200, w->height());
    header->resizeSection(0, stored.columnWidths[0] + 20);
    ASSERT_TRUE(w->commands().RzBitBtnSaveProjectClick());
    const IniFile ini(sb.sampleProject);
    EXPECT_EQ(ini.readInteger(u"DelphiExperts"_s, u"Columns0"_s, -1), stored.columnWidths[0] + 20);
    EXPECT_EQ(ini.readInteger(u"DelphiExperts"_s, u"Columns2"_s, -1), stored.columnWidths[2]);
}

class GroupPages : public test::MainWindowFixture
{
  protected:
    std::unique_ptr<app::TFormMain> w = start();

    void run(const QString& action) { child<QAction>(*w, action)->trigger(); }
    // A right-button press on a group tab, as opening its popup starts: it addresses the tab
    // without making it the current one.
    void pressTab(int tab)
    {
        QTabBar* bar = w->ui().RzPageControlComp->tabBar();
        QTest::mousePress(bar, Qt::RightButton, {}, bar->tabRect(tab).center());
        QTest::mouseRelease(bar, Qt::RightButton, {}, bar->tabRect(tab).center());
    }
    QStringList pages() const
    {
        QStringList out;
        QTabWidget* tabs = w->ui().RzPageControlComp;
        for (int t = 0; t < tabs->count(); ++t) {
            auto* list = tabs->widget(t)->findChild<app::EntryListView*>();
            out << tabs->widget(t)->objectName() + u'/' + (list ? list->objectName() : QString()) + u'/' +
                       tabs->tabText(t) +
                       (list && list->entryModel() == &w->project().group(t) ? u""_s : u"!"_s);
        }
        return out;
    }
};

// Without a group there is no tab bar: the page itself offers the group popup, so that the first
// group can be added. Deleting a group renumbers the later pages and keeps the active one; the
// keyboard moves along the tab bar and addresses the group it reaches.
TEST_F(GroupPages, GroupsAreAddedFromThePageAndDeletingOneRenumbersTheLaterPages)
{
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
    for (const QString& name : {u"G1"_s, u"G2"_s, u"G3"_s, u"G4"_s}) {
        prompts.type(name);
        run(u"popAddGroup"_s);
    }
    pressTab(1); // addresses G2 (the question names it) while G4 stays the current page
    prompts.answer(u"[G2]"_s, Prompter::Yes);
    run(u"popDelGroup"_s);
    EXPECT_EQ(pages(), (QStringList{u"TabComp1/ListViewComp1/G1"_s, u"TabComp2/ListViewComp2/G3"_s,
                                    u"TabComp3/ListViewComp3/G4"_s}));
    EXPECT_EQ(w->findChild<QWidget*>(u"ListViewComp4"_s), nullptr);
    EXPECT_EQ(w->ui().RzPageControlComp->tabText(w->ui().RzPageControlComp->currentIndex()), u"G4"_s);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Component[G4]: 0"_s);
    QTest::keyClick(w->ui().RzPageControlComp->tabBar(), Qt::Key_Left);
    EXPECT_EQ(w->addressedGroup(), 1);
}

} // namespace
