// The list commands as a user reaches them: keys on the focused list, the popup menu from the
// keyboard, and what Save then writes.
#include "app/EntryListView.h"
#include "app/MainWindow.h"
#include "app/ProjectCommands.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;

namespace {

class ListEditing : public test::MainWindowFixture
{
  protected:
    // The window on the sample project, shown and active, with `page` in front and `list` focused.
    void open(QWidget* (*page)(app::MainUi&), QAbstractItemView* (*list)(app::MainUi&))
    {
        w = start({sb.sampleProject});
        w->ui().RzPageControl->setCurrentWidget(page(w->ui()));
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        view = list(w->ui());
        view->setFocus();
    }
    void press(Qt::Key key, int row)
    {
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, key);
    }
    QString drive(const QString& rel) const { return sb.prefix + u"/drive_c/"_s + rel; }
    IniFile saved()
    {
        EXPECT_TRUE(w->commands().RzBitBtnSaveProjectClick());
        return IniFile(sb.sampleProject);
    }
    // Each key of a section, compared one by one so that a failure names the key.
    static void expectKeys(IniFile& ini, const QString& section,
                           const std::vector<std::pair<QString, QString>>& keys)
    {
        for (const auto& [key, value] : keys)
            EXPECT_EQ(ini.readString(section, key, u"<missing>"_s), value)
                << section.toStdString() << "/" << key.toStdString();
    }

    std::unique_ptr<app::TFormMain> w;
    QAbstractItemView* view = nullptr;
};

TEST_F(ListEditing, ExpertsAddModifyDeleteByKeysAndSave)
{
    open([](app::MainUi& u) { return u.TabSheetExperts; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewExpert; });
    prompts.chooseOpen(sb.delphiHost + u"/Experts/New.dll"_s).type(u"New Expert"_s).type({});
    press(Qt::Key_Insert, 0);
    EXPECT_EQ(view->currentIndex().row(), 4) << "the new row is selected";

    prompts.answer(u"[New Expert] ?"_s, Prompter::Yes)
        .chooseOpen(drive(u"Tools/Experts/Wizard.dll"_s))
        .answer(u"C:\\Tools\\Experts\\Wizard.dll has already exist"_s, Prompter::Ok)
        .chooseOpen(drive(u"Tools/Experts/Other.dll"_s))
        .type(u"Other"_s)
        .type(u"other note"_s);
    press(Qt::Key_Return, 4);
    EXPECT_EQ(prompts.starts()[1], sb.delphiHost + u"/Experts/New.dll"_s);

    prompts.answer(u"Do you really want to delete [Form Designer Plus] ?"_s, Prompter::Yes);
    press(Qt::Key_Delete, 1);
    EXPECT_EQ(w->ui().RzStatusPane1->text(), u"Expert: 4"_s) << "the counters follow the delete";
    EXPECT_TRUE(view->selectionModel()->isRowSelected(1, {}))
        << "the next row is selected, ready for the next key";

    IniFile ini = saved();
    expectKeys(ini, u"DelphiExperts"_s,
               {{u"num"_s, u"4"_s},
                {u"ExpertName1"_s, u"Code Tools"_s},
                {u"ExpertSel1"_s, u"1"_s},
                {u"ExpertName2"_s, u"External Wizard"_s},
                {u"ExpertSel2"_s, u"0"_s},
                {u"ExpertName3"_s, u"Lost Expert"_s},
                {u"ExpertSel3"_s, u"0"_s},
                {u"ExpertName4"_s, u"Other"_s},
                {u"ExpertFile4"_s, u"C:\\Tools\\Experts\\Other.dll"_s},
                {u"ExpertNote4"_s, u"other note"_s},
                {u"ExpertSel4"_s, u"1"_s},
                {u"ExpertName5"_s, u"<missing>"_s}});
}

TEST_F(ListEditing, ToolsAddModifyDeleteByKeysAndSave)
{
    open([](app::MainUi& u) { return u.TabSheetTool; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewTool; });
    prompts.chooseOpen(sb.delphiHost + u"/bin/xmlmapper.exe"_s)
        .type(u"XML Mapper"_s)
        .chooseFolder(sb.delphiHost + u"/bin"_s)
        .type(u"-v"_s);
    press(Qt::Key_Insert, 0);

    prompts.chooseOpen(drive(u"Tools/DBD/dbd32.exe"_s))
        .answer(u"[C:\\Tools\\DBD\\dbd32.exe] has already exist"_s, Prompter::Ok)
        .chooseOpen(sb.delphiHost + u"/bin/imagedit.exe"_s)
        .type({})
        .chooseFolder({})
        .cancelInput();
    press(Qt::Key_Enter, 0);

    prompts.answer(u"[Package &Collection Editor] ?"_s, Prompter::Yes);
    press(Qt::Key_Delete, 2);

    IniFile ini = saved();
    expectKeys(ini, u"DelphiTools"_s,
               {{u"Num"_s, u"3"_s},
                {u"Title1"_s, u"imagedit"_s},
                {u"Path1"_s, u"$(Delphi)\\bin\\imagedit.exe"_s},
                {u"WorkingDir1"_s, u""_s},
                {u"Params1"_s, u""_s},
                {u"Sel1"_s, u"1"_s},
                {u"Title2"_s, u"&Database Desktop"_s},
                {u"Sel2"_s, u"1"_s},
                {u"Title3"_s, u"XML Mapper"_s},
                {u"Path3"_s, u"$(Delphi)\\bin\\xmlmapper.exe"_s},
                {u"WorkingDir3"_s, u"$(Delphi)\\bin"_s},
                {u"Params3"_s, u"-v"_s},
                {u"Sel3"_s, u"1"_s}});
}

TEST_F(ListEditing, SearchPathAddModifyDeleteByKeysAndSave)
{
    QDir().mkpath(sb.delphiHost + u"/Source"_s);
    open([](app::MainUi& u) { return u.TabSheetOption; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewSearchPath; });
    const QStringList before = w->project().searchPath().rows();
    prompts.chooseFolder(sb.delphiHost + u"/Source"_s);
    press(Qt::Key_Insert, 0);
    const int added = w->project().searchPath().rows().indexOf(u"$(Delphi)\\Source"_s);
    ASSERT_GE(added, 0);
    EXPECT_EQ(view->currentIndex().row(), added);

    prompts.chooseFolder(sb.delphiHost);
    press(Qt::Key_Return, added);
    prompts.answer(u"Do you really want delete path \"C:\\Tools\\Lib\" ?"_s, Prompter::Yes);
    press(Qt::Key_Delete, w->project().searchPath().rows().indexOf(u"C:\\Tools\\Lib"_s));

    QStringList expected = before;
    expected.removeAll(u"C:\\Tools\\Lib"_s);
    expected.append(sb.delphiRoot.chopped(1)); // DelphiRoot itself stays a full path
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return compareCaptions(a, b) < 0; });
    IniFile ini = saved();
    expectKeys(ini, u"ConfigData"_s, {{u"DefaultPath"_s, expected.join(u';')}});
}

TEST_F(ListEditing, PopupMenusOpenFromTheKeyboardAtTheCurrentRow)
{
    open([](app::MainUi& u) { return u.TabSheetTool; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewTool; });
    const auto expectMenuAtRow = [this](QMenu* menu, int row) {
        ASSERT_TRUE(menu->isVisible());
        const QRect r = view->visualRect(view->model()->index(row, 0));
        EXPECT_EQ(menu->pos(), view->viewport()->mapToGlobal(QPoint(r.left() + 8, r.bottom())));
        menu->hide();
    };
    view->setCurrentIndex(view->model()->index(2, 0));
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    expectMenuAtRow(w->ui().PopupMenuTool, 2);

    w->ui().RzPageControl->setCurrentWidget(w->ui().TabSheetExperts);
    view = w->ui().RzListViewExpert;
    view->setFocus();
    view->setCurrentIndex(view->model()->index(1, 0));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(300, 300),
                          view->viewport()->mapToGlobal(QPoint(300, 300)));
    QApplication::sendEvent(view->viewport(), &key);
    expectMenuAtRow(w->ui().PopupMenuExpert, 1);
}

// After a click on any cell, the keys act on that row: Space toggles its check box (not a search
// for a text starting with a blank) and F2 edits its caption.
TEST_F(ListEditing, KeysActOnTheRowWhicheverCellWasClicked)
{
    open([](app::MainUi& u) { return u.TabSheetExperts; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewExpert; });
    const QModelIndex note = view->model()->index(1, 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(note).center());
    ASSERT_EQ(view->currentIndex(), note.siblingAtColumn(0));
    const QVariant before = note.siblingAtColumn(0).data(Qt::CheckStateRole);

    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(view->currentIndex().row(), 1);
    EXPECT_NE(note.siblingAtColumn(0).data(Qt::CheckStateRole), before);

    QTest::keyClick(view, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "F2 opened no editor";
    EXPECT_EQ(editor->text(), note.siblingAtColumn(0).data().toString());
}

// The last column fills the list while the stored widths hold for the others (and are saved as
// loaded); a double click on a divider fits the column left of it to its contents.
TEST_F(ListEditing, TheLastColumnFillsTheListAndADividerDoubleClickFitsAColumn)
{
    open([](app::MainUi& u) { return u.TabSheetExperts; },
         [](app::MainUi& u) -> QAbstractItemView* { return u.RzListViewExpert; });
    auto* list = static_cast<app::EntryListView*>(view);
    QHeaderView* header = list->header();
    const ListViewSettings stored = list->entryModel()->viewSettings();
    EXPECT_EQ(header->sectionSize(0), stored.columnWidths[0]);
    EXPECT_EQ(header->sectionPosition(2) + header->sectionSize(2), list->viewport()->width());

    w->resize(w->width() + 200, w->height());
    QTest::qWait(20);
    EXPECT_EQ(header->sectionPosition(2) + header->sectionSize(2), list->viewport()->width());

    header->resizeSection(0, 20);
    const int divider = header->sectionPosition(1) - 1;
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(divider, header->height() / 2));
    const int fitted = header->sectionSize(0);
    EXPECT_GT(fitted, 20);
    list->resizeColumnToContents(0);
    EXPECT_EQ(header->sectionSize(0), fitted);

    const IniFile ini = saved();
    EXPECT_EQ(ini.readInteger(u"DelphiExperts"_s, u"Columns0"_s, -1), header->sectionSize(0));
    EXPECT_EQ(ini.readInteger(u"DelphiExperts"_s, u"Columns2"_s, -1), stored.columnWidths[2]);
}

} // namespace
