// The main window on a demo sandbox: starting and refusing to start, the project commands, the
// statistics, closing, and the details that decide whether it feels finished (hints, tooltips,
// empty language texts, failed writes that leave the window true, the size of the first start).

#include "app/MainWindow.h"
#include "app/EntryListView.h"
#include "app/ProjectCommands.h"
#include "app/Statistics.h"
#include "fixtures/Sandbox.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/TestFiles.h"

#include <QCursor>
#include <QHelpEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;
using vx::app::TFormMain;

namespace {

using MainWindowTest = test::MainWindowFixture;
using ProjectWindowTest = test::ProjectWindowFixture;
QString pane(TFormMain& w)
{
    return w.ui().RzStatusPaneMsg->text();
}

// The texts of the labels "RzLabel" + each name.
QStringList labels(TFormMain& w, std::initializer_list<const char*> names)
{
    QStringList out;
    for (const char* name : names)
        out << w.findChild<QLabel*>(u"RzLabel"_s + QLatin1StringView(name))->text();
    return out;
}

// The start on a project, what the window shows of it, and what the close writes.
TEST_F(MainWindowTest, OpensTheProjectGivenOnTheCommandLineAndTheCloseWritesTheSettingsAndStatistics)
{
    auto w = start({sb.sampleProject, u"ignored second argument"_s});
    EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix - "_s + sb.sampleProject);

    // The statistics, and on the Projects page the rows and checked rows of every list.
    w->ui().showPage(app::Page::Projects);
    EXPECT_EQ(labels(*w, {"ProjectRuns", "ProjectLastTime", "ProjectBeginTime", "RunTimes", "LastRunTime",
                          "ExpertNum", "ExpertSel", "GroupNum", "CompNum", "CompSel", "ToolNum", "ToolSel"}),
              (QStringList{u"1"_s, u"2026-01-05 9:30:00"_s, u"2026-12-06 9:00:00"_s, u"1"_s, u"0:00:00"_s,
                           u"4"_s, u"2"_s, u"2"_s, u"7"_s, u"5"_s, u"3"_s, u"2"_s}));

    // Status panes follow every check box change (and the page: tests of the lists and groups).
    w->ui().showPage(app::Page::Experts);
    auto& experts = w->project().experts();
    experts.setData(experts.index(2, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(text(*w, u"RzStatusPane2"_s), u"Selected: 3"_s);
    EXPECT_EQ(text(*w, u"LabelDelphi"_s), u"Delphi 7.0 (Build 4.453)"_s) << "the About page's version";

    w->ui().showPage(app::Page::Tools);
    w->ui().RzCheckBoxValid->setChecked(true);
    clock.advanceSeconds(3723);
    w->project().tools().setSelected(2, true);
    // Cancel on the save question keeps the window and writes nothing.
    const QByteArray before = test::readAll(settings());
    prompts.answer(u"File is modified, save it?"_s, Prompter::Cancel);
    EXPECT_FALSE(close(*w));
    EXPECT_EQ(test::readAll(settings()), before);
    prompts.answer(u"File is modified, save it?"_s, Prompter::No);
    EXPECT_TRUE(close(*w));

    IniFile s(settings());
    EXPECT_EQ(s.keyNames(u"config"_s),
              (QStringList{u"Run"_s, u"LastEnd"_s, u"LastRunTime"_s, u"RunTimeSum"_s, u"Project"_s,
                           u"Language"_s, u"Day"_s, u"Win32SDKHelp"_s, u"BDEpath"_s, u"BDE"_s,
                           u"VerifyValid"_s, u"bordbk"_s, u"Desktop"_s, u"QuickLaunch"_s, u"Menu"_s,
                           u"DesktopD"_s, u"QuickLaunchD"_s, u"MenuD"_s}));
    EXPECT_EQ(s.readString(u"config"_s, u"LastEnd"_s), u"2026-12-06 10:02:03"_s);
    EXPECT_EQ(s.readString(u"config"_s, u"LastRunTime"_s), u"1:02:03"_s);
    EXPECT_EQ(s.readString(u"config"_s, u"Project"_s), sb.sampleProject);
    EXPECT_TRUE(s.readBool(u"config"_s, u"VerifyValid"_s, false));
    EXPECT_EQ(s.readInteger(u"Last"_s, u"Page"_s, -1), 2);
    EXPECT_TRUE(test::readAll(settings()).startsWith("; Delphi 7 Vorlix\r\n[config]\r\nRun=2\r\n"));

    IniFile p(sb.sampleProject);
    EXPECT_EQ(p.readString(u"ConfigData"_s, u"LastTime"_s), u"2026-12-06 10:02:03"_s);
    EXPECT_FALSE(p.readBool(u"DelphiTools"_s, u"Sel3"_s, true)) << "contents are saved only by Save";
}

TEST_F(MainWindowTest, WithoutArgumentsTheLastProjectOpensOrNone)
{
    IniFile s(settings());
    s.writeInteger(u"Last"_s, u"Page"_s, 9);
    for (const auto& [key, value] :
         {std::pair{u"Left"_s, 10}, {u"Top"_s, 20}, {u"Width"_s, 700}, {u"Height"_s, 500}})
        s.writeInteger(u"Position"_s, key, value);
    auto w = start();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_EQ(w->ui().currentPage(), app::Page::Option) << "for a page that does not exist";
    EXPECT_EQ(w->geometry(), QRect(10, 20, 700, 500)) << "a stored geometry is taken as it is";
    EXPECT_TRUE(close(*w));
    // The project a start opens, or empty.
    const auto opened = [this](const QStringList& args) {
        auto window = start(args);
        const QString file = window->project().isOpen() ? window->project().fileName() : QString();
        EXPECT_TRUE(close(*window));
        return file;
    };
    IniFile(settings()).writeString(u"config"_s, u"Project"_s, sb.sampleProject);
    EXPECT_EQ(opened({}), sb.sampleProject);
    // Wine's shell passes the Windows form of the path.
    EXPECT_EQ(opened({Installation::locate(sb.delphiHost).bridge.toWindows(sb.sampleProject)}),
              sb.sampleProject);
    // A first argument that names no file starts without a project, and the close stores the empty
    // name.
    EXPECT_EQ(opened({dir.filePath(u"gone.vx7"_s)}), QString());
    EXPECT_EQ(IniFile(settings()).readString(u"config"_s, u"Project"_s, u"x"_s), u""_s);
}

TEST_F(MainWindowTest, RefusesAWrongIdeOrAReadOnlySettingsFile)
{
    QTemporaryDir other;
    const auto six = fixtures::makeSandbox(other.filePath(u"six"_s), {u"6.0"_s, u"6.0.6.240"_s, true, false});
    {
        prompts.answer(u"Wrong Delphi version!\n\ncurrent version: 6.0\n\nneed version: 7"_s, Prompter::Ok);
        TFormMain w(Installation::locate(six.delphiHost), six.delphiHost + u"/Vorlix7.wv7"_s);
        EXPECT_EQ(w.FormCreate({}), TFormMain::StartResult::WrongVersion);
        EXPECT_TRUE(prompts.messages().back().topmost);
        EXPECT_TRUE(close(w));
    }
    EXPECT_FALSE(QFile::exists(six.delphiHost + u"/Vorlix7.wv7"_s)) << "nothing written";

    test::writeAll(settings(), "; Delphi 7 Vorlix\r\n[config]\r\nRun=5\r\n");
    test::makeReadOnly(settings());
    {
        prompts.answer(u"Open file <"_s + settings() + u"> error!\n\nMaybe file readonly!"_s, Prompter::Ok);
        TFormMain w(Installation::locate(sb.delphiHost), settings());
        EXPECT_EQ(w.FormCreate({sb.sampleProject}), TFormMain::StartResult::SettingsRefused);
        EXPECT_TRUE(close(w));
    }
    EXPECT_EQ(test::readAll(settings()), QByteArray("; Delphi 7 Vorlix\r\n[config]\r\nRun=5\r\n"));
    EXPECT_EQ(IniFile(sb.sampleProject).readInteger(u"ConfigData"_s, u"Run"_s, 0), 1) << "project untouched";
}

TEST_F(MainWindowTest, NewEditSaveCloseOpenCycle)
{
    auto w = start();
    app::ProjectCommands& c = w->commands();
    const QString typed = dir.filePath(u"Work.txt"_s);
    const QString work = dir.filePath(u"Work.vx7"_s);

    prompts.chooseSave(typed);
    c.RzBitBtnNewProjectClick();
    EXPECT_EQ(w->ui().currentPage(), app::Page::Projects);
    EXPECT_EQ(test::readAll(work), QByteArray(";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=2\r\n"));
    EXPECT_EQ(w->project().searchPath().rows(),
              (QStringList{u"$(Delphi)\\Bin"_s, u"$(Delphi)\\imports"_s, u"$(Delphi)\\Lib"_s}));
    EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix - "_s + work + u" *"_s);
    EXPECT_TRUE(child<QPushButton>(*w, u"RzBitBtnSaveProject"_s)->isEnabled());

    w->project().experts().add({u"Mine"_s, u"$(Delphi)\\Experts\\CodeTools.dll"_s, {}, true});
    c.RzBitBtnSaveProjectClick();
    EXPECT_EQ(w->windowTitle(), u"Delphi Vorlix - "_s + work);

    // Close with changes: Cancel keeps it, Yes saves first.
    w->project().experts().setSelected(0, false);
    prompts.answer(u"File is modified, save it?"_s, Prompter::Cancel);
    c.RzBitBtnCloseProjectClick();
    EXPECT_TRUE(w->project().isModified());
    prompts.answer(u"File is modified, save it?"_s, Prompter::Yes);
    c.RzBitBtnCloseProjectClick();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_FALSE(IniFile(work).readBool(u"DelphiExperts"_s, u"ExpertSel1"_s, true));

    prompts.chooseOpen(work); // No on the close question saves nothing: the first start test
    c.RzBitBtnOpenProjectClick();
    ASSERT_TRUE(w->project().isOpen());
    c.RzBitBtnCloseProjectClick();

    // Save As with none open makes a new file with figures of its own, not the closed project's.
    ASSERT_GT(IniFile(work).readInteger(u"ConfigData"_s, u"Run"_s, 0), 1);
    const QString fresh = dir.filePath(u"Fresh.vx7"_s);
    prompts.chooseSave(fresh);
    EXPECT_TRUE(c.RzBitBtnSaveProjectAsClick());
    EXPECT_EQ(IniFile(fresh).readInteger(u"ConfigData"_s, u"Run"_s, 0), 1);

    // A read-only project cannot be opened: the message names it and no project is open.
    test::makeReadOnly(work);
    prompts.chooseOpen(work).answer(u"Open file error or file has readonly attrib!"_s, Prompter::Ok);
    c.RzBitBtnOpenProjectClick();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s), u"Open file error or file has readonly attrib!"_s);
}

TEST_F(MainWindowTest, ALegacyProjectKeepsItsCodePageWhileItsTextFitsAndTheStatusPaneSaysWhich)
{
    // A project written by the Windows original: code page 1252, not UTF-8.
    const QString legacy = dir.filePath(u"Legacy.vx7"_s);
    test::writeAll(
        legacy,
        ";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=1\r\n[DelphiExperts]\r\nnum=1\r\n"
        "ExpertName1=Caf\xe9 Tools\r\nExpertFile1=$(Delphi)\\Experts\\Caf\xe9.dll\r\nExpertSel1=1\r\n");
    auto w = start({legacy});
    w->project().experts().add({u"R\u00e9sum\u00e9"_s, u"$(Delphi)\\Experts\\R.dll"_s, {}, true});
    ASSERT_TRUE(w->commands().RzBitBtnSaveProjectClick());
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s), legacy + u" was written in code page 1252, as it was read."_s);

    // A name code page 1252 cannot hold: the file becomes UTF-8, and the pane says so.
    w->project().experts().add({u"\u4ee3\u7801"_s, u"$(Delphi)\\Experts\\C.dll"_s, {}, true});
    ASSERT_TRUE(w->commands().RzBitBtnSaveProjectClick());
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s),
              legacy + u" was written in UTF-8: its text no longer fits code page 1252."_s);
}

// Check reports its findings, but no command starts inside a load (any question would fail).
TEST_F(ProjectWindowTest, CommandsWaitWhileALoadLetsEventsThroughAndCheckReportsItsFindings)
{
    w->progressBegin(); // as a load in progress does
    w->ui().RzBitBtnCheckProject->click();
    child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->click();
    EXPECT_TRUE(w->project().isOpen());
    EXPECT_FALSE(close(*w));
    w->progressEnd();
    prompts.answer(
        u"Expert \"Lost Expert\": the file C:\\Program Files\\Borland\\Delphi7\\Experts\\Lost.dll does not exist."_s,
        Prompter::Ok);
    w->ui().RzBitBtnCheckProject->click();
    child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->click();
    EXPECT_FALSE(w->project().isOpen());
}

TEST_F(MainWindowTest, SaveAsConfirmsReplacingAFileAndAFailedSaveKeepsTheProjectModified)
{
    auto w = start({sb.sampleProject});
    const QString existing = dir.filePath(u"Other.vx7"_s);
    test::writeAll(existing, "keep me");
    prompts.chooseSave(dir.filePath(u"Other"_s)).answer(u"already exists"_s, Prompter::No);
    EXPECT_FALSE(w->commands().RzBitBtnSaveProjectAsClick());
    EXPECT_EQ(test::readAll(existing), QByteArray("keep me"));

    prompts.chooseSave(dir.filePath(u"Other"_s)).answer(u"already exists"_s, Prompter::Yes);
    EXPECT_TRUE(w->commands().RzBitBtnSaveProjectAsClick());
    EXPECT_EQ(w->windowTitle(), u"Delphi Vorlix - "_s + existing);

    // A failed save keeps the project modified and where it was, and says which file.
    w->project().experts().setSelected(0, false);
    const QString target = dir.filePath(u"missing/dir/x.vx7"_s);
    prompts.chooseSave(target).answer(u"Unable to write to "_s + target, Prompter::Ok);
    EXPECT_FALSE(w->commands().RzBitBtnSaveProjectAsClick());
    EXPECT_TRUE(w->project().isModified());
    EXPECT_EQ(w->project().fileName(), existing);
}

TEST_F(MainWindowTest, TicksSkipOnceAndClearCommandsAsk)
{
    auto w = start({sb.sampleProject});
    w->TimerCountTimer(); // skipped (tests/app's UsageStatistics)
    clock.advanceSeconds(2);
    w->TimerCountTimer();
    EXPECT_EQ(labels(*w, {"RunTime", "ProjectRunTime", "RunTimeSum"}),
              (QStringList{u"0:00:02"_s, u"0:00:02"_s, u"0Day 0:00:02"_s}));

    prompts.answer(u"Clear runtime statistic?"_s, Prompter::Yes);
    w->RzLabelRunTimesDblClick();
    EXPECT_EQ(labels(*w, {"RunTimes", "LastRunTime"}), (QStringList{u"0"_s, u"0:00:00"_s}));
    EXPECT_FALSE(IniFile(settings()).hasSection(u"config"_s));

    clock.advanceSeconds(65);
    EXPECT_TRUE(close(*w));
    // After the clear the close stores the time since the clear, day 0 and no run counter, so
    // the next start shows run 1.
    IniFile s(settings());
    EXPECT_EQ(s.readString(u"config"_s, u"RunTimeSum"_s), u"0:01:05"_s);
    EXPECT_EQ(s.readInteger(u"config"_s, u"Day"_s, -1), 0);
    EXPECT_FALSE(s.hasKey(u"config"_s, u"Run"_s));
}

// The day count moves on in the one second the time sum reads midnight, for the program and for an
// open project alike; a tick that misses that second does not make it up.
TEST(UsageStatistics, DayRollsOverInTheSecondTheSumReadsMidnight)
{
    const QDateTime start(QDate(2026, 12, 6), QTime(8, 0, 0));
    const struct
    {
        int second; // of the counted tick, with both sums at 23:59:50 at the start
        const char16_t* sum;
    } cases[] = {{9, u"0Tag 23:59:59"}, {10, u"1Tag 0:00:00"}, {11, u"0Tag 0:00:01"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        QTemporaryDir dir;
        IniFile settings(dir.filePath(u"s.wv7"_s));
        settings.writeString(u"config"_s, u"RunTimeSum"_s, u"23:59:50"_s);
        app::UsageStatistics stats;
        stats.start(settings, start);
        ConfigProject project;
        project.setOpen(true);
        project.statistics().timeSumMs = (23 * 3600 + 59 * 60 + 50) * 1000LL;
        project.statistics().beginTime = start;
        EXPECT_TRUE(stats.tick(start.addSecs(1), &project, u"Tag"_s).skipped);
        const auto t = stats.tick(start.addSecs(c.second), &project, u"Tag"_s);
        EXPECT_EQ(t.runTimeSum, QString::fromUtf16(c.sum));
        EXPECT_EQ(t.projectTimeSum, QString::fromUtf16(c.sum));
    }
}

// The first start fits the screen, centred on it (a stored geometry: the start without arguments).
TEST_F(ProjectWindowTest, TheFirstStartFitsTheScreenHintsFallBackAndNoTooltipIsShown)
{
    // As large as its pages need (the Option page more than 640 pixels wide), as far as the screen allows.
    const QRect available = w->screen()->availableGeometry();
    EXPECT_GT(w->geometry().width(), 640);
    EXPECT_LE(w->geometry().width(), available.width());
    EXPECT_LE((w->geometry().center() - available.center()).manhattanLength(), 2);

    // Leaving a control with a hint for a place without one shows that place's hint: the nearest
    // enclosing hint, in the end the window's own, never the hint left behind.
    QPushButton* newButton = w->ui().RzBitBtnNewProject;
    QStatusTipEvent onButton(newButton->statusTip());
    QApplication::sendEvent(w.get(), &onButton);
    EXPECT_EQ(pane(*w), newButton->statusTip());
    w->show();
    QCursor::setPos(w->mapToGlobal(QPoint(w->width() / 2, w->height() - 2)));
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(w.get(), &left);
    EXPECT_EQ(pane(*w), w->hintAt(QApplication::widgetAt(QCursor::pos())));
    EXPECT_NE(pane(*w), newButton->statusTip());

    // Tooltip events die before any widget of the window sees them, list cells included.
    w->ui().showPage(app::Page::Experts);
    QWidget* cells = w->ui().RzListViewExpert->viewport();
    const QPoint cell = w->ui().RzListViewExpert->visualRect(w->project().experts().index(0, 0)).center();
    QHelpEvent help(QEvent::ToolTip, cell, cells->mapToGlobal(cell));
    QObject* filter = w.get(); // installed on the application, so it sees every widget's events
    EXPECT_TRUE(filter->eventFilter(cells, &help));
    QWidget stranger;
    EXPECT_FALSE(filter->eventFilter(&stranger, &help)) << "other windows are not ours to silence";
}

TEST_F(ProjectWindowTest, FailedWritesLeaveTheWindowShowingWhatIsInEffect)
{
    w->ui().showPage(app::Page::Projects);
    const QString title = w->windowTitle();
    const QStringList shown = labels(*w, {"ProjectRuns", "ExpertNum", "RunTimes", "BeginTime"});

    // The statistics of the project being left cannot be stored: it stays the open project.
    const QString other = dir.filePath(u"Other.vx7"_s);
    test::writeAll(other, ";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=1\r\n");
    const QString folder = QFileInfo(sb.sampleProject).absolutePath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner); // no file can be replaced there
    prompts.chooseOpen(other).answer(sb.sampleProject, Prompter::Ok);
    w->commands().RzBitBtnOpenProjectClick();
    EXPECT_EQ(w->project().fileName(), sb.sampleProject);
    EXPECT_EQ(w->windowTitle(), title);
    EXPECT_EQ(labels(*w, {"ProjectRuns", "ExpertNum", "RunTimes", "BeginTime"}), shown);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // Clearing the program statistics fails: the labels keep the figures still in effect.
    test::makeReadOnly(settings());
    prompts.answer(u"Clear runtime statistic?"_s, Prompter::Yes).answer(settings(), Prompter::Ok);
    w->RzLabelRunTimesDblClick();
    EXPECT_EQ(labels(*w, {"ProjectRuns", "ExpertNum", "RunTimes", "BeginTime"}), shown);
    QFile::setPermissions(settings(), QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace
