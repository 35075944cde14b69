// The window's details that decide whether it feels finished: hints, tooltips, empty language
// texts, error paths that leave the window true, directories given as projects and the size of the
// first start.

#include "app/EntryListView.h"
#include "app/MainWindow.h"
#include "app/ProjectCommands.h"
#include "fixtures/Sandbox.h"
#include "platform/Clock.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;
using vx::app::TFormMain;

namespace {

class WindowDetailsTest : public test::MainWindowFixture
{
  protected:
    static QString pane(TFormMain& w) { return w.ui().RzStatusPaneMsg->text(); }
};

TEST_F(WindowDetailsTest, HintsFallBackToTheEnclosingOnesAndNoTooltipIsShown)
{
    auto w = start({sb.sampleProject});
    EXPECT_EQ(w->statusTip(), u"Delphi "_s + w->findChild<QLabel*>(u"LabelLogoName"_s)->text());

    // Leaving a control with a hint for a place without one shows that place's hint: the nearest
    // enclosing hint, in the end the window's own, never the hint left behind.
    QPushButton* newButton = w->ui().RzBitBtnNewProject;
    QStatusTipEvent onButton(newButton->statusTip());
    QApplication::sendEvent(w.get(), &onButton);
    EXPECT_EQ(pane(*w), newButton->statusTip());
    EXPECT_EQ(w->hintAt(w->ui().RzPageControl), w->statusTip());
    EXPECT_EQ(w->hintAt(nullptr), w->statusTip());
    QWidget* plain = new QWidget(newButton);
    EXPECT_EQ(w->hintAt(plain), newButton->statusTip()) << "a part of a control shows the control's hint";
    w->show();
    QCursor::setPos(w->mapToGlobal(QPoint(w->width() / 2, w->height() - 2)));
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(w.get(), &left);
    EXPECT_EQ(pane(*w), w->hintAt(QApplication::widgetAt(QCursor::pos())));
    EXPECT_NE(pane(*w), newButton->statusTip());
    EXPECT_FALSE(pane(*w).isEmpty());

    // Tooltip events die before any widget of the window sees them, list cells included.
    w->ui().showPage(app::Page::Experts);
    QWidget* cells = w->ui().RzListViewExpert->viewport();
    const QPoint cell = w->ui().RzListViewExpert->visualRect(w->project().experts().index(0, 0)).center();
    QHelpEvent help(QEvent::ToolTip, cell, cells->mapToGlobal(cell));
    QObject* filter = w.get(); // installed on the application, so it sees every widget's events
    EXPECT_TRUE(filter->eventFilter(cells, &help));
    EXPECT_TRUE(filter->eventFilter(w->ui().RzListViewExpert->header()->viewport(), &help));
    QWidget stranger;
    EXPECT_FALSE(filter->eventFilter(&stranger, &help)) << "other windows are not ours to silence";
    EXPECT_TRUE(close(*w));
}

TEST_F(WindowDetailsTest, EmptyLanguageValuesEmptyTheListsAndMenusThatExist)
{
    test::writeAll(sb.delphiHost + u"/Blank.lng"_s, "[Component]\r\nComponent=\r\nCompFile=\r\nIncludePath="
                                                    "\r\n[Group]\r\nGroup=\r\n[Expert]\r\nNote=\r\n");
    IniFile(settings()).writeString(u"config"_s, u"Language"_s, u"Blank"_s);
    auto w = start({sb.sampleProject});
    ASSERT_GT(w->project().groupCount(), 0);
    const QAbstractItemModel& group = w->project().group(0);
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(group.headerData(column, Qt::Horizontal).toString(), QString()) << column;
    EXPECT_EQ(w->findChild<QAction*>(u"popGroupMenu"_s)->text(), QString());
    EXPECT_TRUE(close(*w));
}

TEST_F(WindowDetailsTest, FailedWritesLeaveTheWindowShowingWhatIsInEffect)
{
    auto w = start({sb.sampleProject});
    const QString title = w->windowTitle();
    const QString runs = w->ui().RzLabelProjectRuns->text();
    w->ui().showPage(app::Page::Projects);
    const QString experts = w->ui().RzLabelExpertNum->text();

    // The statistics of the project being left cannot be stored: it stays the open project.
    const QString other = dir.filePath(u"Other.vx7"_s);
    test::writeAll(other, ";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=1\r\n");
    const QString folder = QFileInfo(sb.sampleProject).absolutePath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner); // no file can be replaced there
    prompts.chooseOpen(other).answer(sb.sampleProject, Prompter::Ok);
    w->commands().RzBitBtnOpenProjectClick();
    EXPECT_TRUE(w->project().isOpen());
    EXPECT_EQ(w->project().fileName(), sb.sampleProject);
    EXPECT_EQ(w->windowTitle(), title);
    EXPECT_EQ(w->ui().RzLabelProjectRuns->text(), runs);
    EXPECT_EQ(w->ui().RzLabelExpertNum->text(), experts);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // Clearing the program statistics fails: the labels keep the figures still in effect.
    const QString runTimes = w->ui().RzLabelRunTimes->text();
    const QString begin = w->ui().RzLabelBeginTime->text();
    test::makeReadOnly(settings());
    prompts.answer(u"Clear runtime statistic?"_s, Prompter::Yes).answer(settings(), Prompter::Ok);
    w->RzLabelRunTimesDblClick();
    EXPECT_EQ(w->ui().RzLabelRunTimes->text(), runTimes);
    EXPECT_EQ(w->ui().RzLabelBeginTime->text(), begin);
    QFile::setPermissions(settings(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(close(*w));
}

TEST_F(WindowDetailsTest, ADirectoryIsNotAProject)
{
    auto w = start({dir.path()});
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_TRUE(close(*w));

    IniFile(settings()).writeString(u"config"_s, u"Project"_s, dir.path());
    auto again = start();
    EXPECT_FALSE(again->project().isOpen());
    EXPECT_TRUE(close(*again));
}

TEST_F(WindowDetailsTest, TheFirstStartFitsItsPagesAndLaterStartsKeepTheStoredGeometry)
{
    ASSERT_FALSE(IniFile(settings()).hasSection(u"Position"_s));
    auto w = start({sb.sampleProject});
    const QRect available = w->screen()->availableGeometry();
    const QRect g = w->geometry();
    EXPECT_GE(g.width(), 640);
    EXPECT_LE(g.width(), available.width());
    EXPECT_LE((g.center() - available.center()).manhattanLength(), 2);
    // Where the screen has the room, no page needs its scroll bars.
    w->show();
    for (int page = 0; page < w->ui().RzPageControl->count(); ++page) {
        w->ui().RzPageControl->setCurrentIndex(page);
        for (QScrollArea* area : w->ui().RzPageControl->widget(page)->findChildren<QScrollArea*>()) {
            const QSize needed = area->widget()->sizeHint();
            if (needed.width() + 40 < available.width() && needed.height() + 120 < available.height()) {
                QApplication::processEvents();
                EXPECT_EQ(area->verticalScrollBar()->maximum(), 0) << page;
                EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0) << page;
            }
        }
    }
    EXPECT_TRUE(close(*w));

    // A stored geometry is taken as it is.
    IniFile s(settings());
    s.writeInteger(u"Position"_s, u"Left"_s, 10);
    s.writeInteger(u"Position"_s, u"Top"_s, 20);
    s.writeInteger(u"Position"_s, u"Width"_s, 700);
    s.writeInteger(u"Position"_s, u"Height"_s, 500);
    auto again = start();
    EXPECT_EQ(again->geometry(), QRect(10, 20, 700, 500));
    EXPECT_TRUE(close(*again));
}

} // namespace
