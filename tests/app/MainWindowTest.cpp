#include "app/MainWindow.h"
#include "app/EntryListView.h"
#include "app/ProjectCommands.h"
#include "app/Startup.h"
#include "fixtures/Sandbox.h"
#include "platform/Clock.h"
#include "platform/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;
using vx::app::TFormMain;

namespace {

const QDateTime kStart = test::kWindowTestStart;
using MainWindowTest = test::MainWindowFixture;

TEST_F(MainWindowTest, OpensTheProjectGivenOnTheCommandLine)
{
    auto w = start({sb.sampleProject, u"ignored second argument"_s});
    EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix - "_s + sb.sampleProject);
    EXPECT_TRUE(w->project().isOpen());
    EXPECT_EQ(text(*w, u"RzLabelProjectRuns"_s), u"1"_s);
    EXPECT_EQ(text(*w, u"RzLabelProjectLastTime"_s), u"2026-01-05 9:30:00"_s);
    EXPECT_EQ(text(*w, u"RzLabelProjectBeginTime"_s), u"2026-12-06 9:00:00"_s);
    EXPECT_EQ(IniFile(sb.sampleProject).readInteger(u"ConfigData"_s, u"Run"_s, 0), 2);
    EXPECT_EQ(IniFile(settings()).readInteger(u"config"_s, u"Run"_s, 0), 2);
    EXPECT_EQ(text(*w, u"RzLabelRunTimes"_s), u"1"_s);
    EXPECT_EQ(text(*w, u"RzLabelLastRunTime"_s), u"0:00:00"_s);
    EXPECT_FALSE(child<QPushButton>(*w, u"RzBitBtnSaveProject"_s)->isEnabled());
    EXPECT_TRUE(child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->isEnabled());

    // The Projects page counts rows and checked rows.
    w->ui().showPage(app::Page::Projects);
    for (const auto& [label, want] : {std::pair{"ExpertNum", "4"},
                                      {"ExpertSel", "2"},
                                      {"GroupNum", "2"},
                                      {"CompNum", "7"},
                                      {"CompSel", "5"},
                                      {"ToolNum", "3"},
                                      {"ToolSel", "2"}})
        EXPECT_EQ(text(*w, u"RzLabel"_s + QLatin1StringView(label)), QLatin1StringView(want)) << label;

    // Status panes follow the page and every check box change.
    w->ui().showPage(app::Page::Experts);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Expert: 4"_s);
    EXPECT_EQ(text(*w, u"RzStatusPane2"_s), u"Selected: 2"_s);
    auto& experts = w->project().experts();
    experts.setData(experts.index(2, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(text(*w, u"RzStatusPane2"_s), u"Selected: 3"_s);
    EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix - "_s + sb.sampleProject + u" *"_s);
    experts.setData(experts.index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_TRUE(w->windowTitle().endsWith(u".vx7 *"_s)) << "marked once";
    w->findChild<QAction*>(u"actProjectModify"_s)->trigger();
    EXPECT_TRUE(w->windowTitle().endsWith(u".vx7 *"_s)) << "still once";

    w->ui().showPage(app::Page::Components);
    EXPECT_EQ(text(*w, u"RzStatusPane1"_s), u"Component[Standard]: 4"_s);
    // A press on a group tab addresses that group; a press beside the tabs addresses none.
    QTabBar* tabs = w->ui().RzPageControlComp->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(w->addressedGroup(), 1);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(tabs->width() - 2, tabs->height() / 2));
    EXPECT_EQ(w->addressedGroup(), -1);

    // The About page: the IDE's version label, the system report, the memory report on selection.
    EXPECT_EQ(text(*w, u"LabelDelphi"_s), u"Delphi 7.0 (Build 4.453)"_s);
    EXPECT_TRUE(text(*w, u"LabelWindows"_s).contains(u" CPU of "_s));
    w->ui().showPage(app::Page::About);
    EXPECT_TRUE(text(*w, u"LabelMemory"_s).startsWith(u"Memory Available "_s));

    prompts.answer(u"File is modified, save it?"_s, Prompter::No);
    EXPECT_TRUE(close(*w));
}

TEST_F(MainWindowTest, WithoutArgumentsTheLastProjectOpensOrNone)
{
    {
        auto w = start();
        EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix"_s);
        EXPECT_FALSE(w->project().isOpen());
        EXPECT_EQ(w->ui().currentPage(), app::Page::Option) << "Option page by default";
        w->ui().showPage(app::Page::Projects);
        EXPECT_EQ(text(*w, u"RzLabelExpertNum"_s), u"0"_s);
        EXPECT_TRUE(close(*w));
    }
    IniFile s(settings());
    s.writeString(u"config"_s, u"Project"_s, sb.sampleProject);
    s.writeInteger(u"Last"_s, u"Page"_s, 9);
    s.writeInteger(u"Position"_s, u"Width"_s, 300);
    {
        auto w = start();
        EXPECT_TRUE(w->project().isOpen());
        EXPECT_EQ(w->ui().currentPage(), app::Page::Option);
        EXPECT_GE(w->width(), 640);
        EXPECT_EQ(text(*w, u"RzLabelRunTimes"_s), u"2"_s);
        EXPECT_TRUE(close(*w));
    }
    // A relative argument is remembered as an absolute path.
    {
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(QFileInfo(sb.sampleProject).path());
        auto w = start({u"Sample.vx7"_s});
        QDir::setCurrent(cwd);
        EXPECT_EQ(w->project().fileName(), sb.sampleProject);
        EXPECT_TRUE(close(*w));
    }
    // A missing first argument starts without a project; the close stores the empty name.
    {
        auto w = start({dir.filePath(u"gone.vx7"_s)});
        EXPECT_FALSE(w->project().isOpen());
        EXPECT_TRUE(close(*w));
    }
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
        EXPECT_EQ(prompts.messages().back().title, u"Error!"_s);
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

    const auto none = fixtures::makeSandbox(other.filePath(u"none"_s), {u"7.0"_s, {}, false, false});
    EXPECT_EQ(
        app::missingDelphiMessage(Installation::locate(none.delphiHost)),
        u"Delphi(Bin\\Delphi32.exe) is not found!\n\nPlease copy me to Delphi's directory and run again."_s);
    EXPECT_TRUE(app::missingDelphiMessage(Installation::locate(sb.delphiHost)).isEmpty());
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
    EXPECT_FALSE(w->project().isModified());
    EXPECT_EQ(IniFile(work).readString(u"DelphiExperts"_s, u"ExpertName1"_s), u"Mine"_s);
    EXPECT_TRUE(QFile::exists(dir.filePath(u"Work.vx7.bak"_s)));

    // Close with changes: Cancel keeps it, No drops the change, Yes saves first.
    w->project().experts().setSelected(0, false);
    prompts.answer(u"File is modified, save it?"_s, Prompter::Cancel);
    c.RzBitBtnCloseProjectClick();
    EXPECT_TRUE(w->project().isOpen());
    EXPECT_TRUE(w->project().isModified());
    prompts.answer(u"File is modified, save it?"_s, Prompter::Yes);
    c.RzBitBtnCloseProjectClick();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_EQ(w->windowTitle(), u"Delphi 7 Vorlix"_s);
    EXPECT_FALSE(child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->isEnabled());
    EXPECT_FALSE(IniFile(work).readBool(u"DelphiExperts"_s, u"ExpertSel1"_s, true));

    prompts.chooseOpen(work);
    c.RzBitBtnOpenProjectClick();
    ASSERT_TRUE(w->project().isOpen());
    EXPECT_EQ(w->project().experts().count(), 1);
    w->project().experts().setSelected(0, true);
    prompts.answer(u"File is modified, save it?"_s, Prompter::No);
    c.RzBitBtnCloseProjectClick();
    EXPECT_FALSE(IniFile(work).readBool(u"DelphiExperts"_s, u"ExpertSel1"_s, true)) << "No saved nothing";

    // Save As with none open makes a new file with figures of its own, not the closed project's.
    ASSERT_GT(IniFile(work).readInteger(u"ConfigData"_s, u"Run"_s, 0), 1);
    const QString fresh = dir.filePath(u"Fresh.vx7"_s);
    prompts.chooseSave(fresh);
    EXPECT_TRUE(c.RzBitBtnSaveProjectAsClick());
    EXPECT_EQ(IniFile(fresh).readInteger(u"ConfigData"_s, u"Run"_s, 0), 1);
    EXPECT_EQ(IniFile(fresh).readString(u"ConfigData"_s, u"TimeSum"_s), u"0:00:00"_s);

    // A read-only project cannot be opened: the message names it and no project is open.
    test::makeReadOnly(work);
    prompts.chooseOpen(work).answer(u"Open file error or file has readonly attrib!"_s, Prompter::Ok);
    c.RzBitBtnOpenProjectClick();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s), u"Open file error or file has readonly attrib!"_s);
    EXPECT_TRUE(close(*w));
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
    ASSERT_TRUE(w->project().isOpen());
    EXPECT_EQ(w->project().experts().entry(0).name, u"Caf\u00e9 Tools"_s);

    w->project().experts().add({u"R\u00e9sum\u00e9"_s, u"$(Delphi)\\Experts\\R.dll"_s, {}, true});
    ASSERT_TRUE(w->commands().RzBitBtnSaveProjectClick());
    EXPECT_TRUE(test::readAll(legacy).contains("ExpertName2=R\xe9sum\xe9\r\n"));
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s), legacy + u" was written in code page 1252, as it was read."_s);

    // A name code page 1252 cannot hold: the file becomes UTF-8, and the pane says so.
    w->project().experts().add({u"\u4ee3\u7801"_s, u"$(Delphi)\\Experts\\C.dll"_s, {}, true});
    ASSERT_TRUE(w->commands().RzBitBtnSaveProjectClick());
    EXPECT_TRUE(test::readAll(legacy).contains("ExpertName1=Caf\xc3\xa9 Tools\r\n"));
    EXPECT_EQ(text(*w, u"RzStatusPaneMsg"_s),
              legacy + u" was written in UTF-8: its text no longer fits code page 1252."_s);
    EXPECT_EQ(IniFile(legacy).readString(u"DelphiExperts"_s, u"ExpertName3"_s), u"\u4ee3\u7801"_s);
    EXPECT_TRUE(close(*w));
}

TEST_F(MainWindowTest, CommandsWaitWhileALoadLetsEventsThrough)
{
    auto w = start({sb.sampleProject});
    w->progressBegin(); // as a load in progress does
    child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->click();
    EXPECT_TRUE(w->project().isOpen()) << "no command starts inside a load";
    EXPECT_FALSE(close(*w));
    w->progressEnd();
    child<QPushButton>(*w, u"RzBitBtnCloseProject"_s)->click();
    EXPECT_FALSE(w->project().isOpen());
    EXPECT_TRUE(close(*w));
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
    EXPECT_EQ(test::readAll(dir.filePath(u"Other.vx7.bak"_s)), QByteArray("keep me"));
    EXPECT_EQ(w->windowTitle(), u"Delphi Vorlix - "_s + existing);
    EXPECT_EQ(IniFile(existing).readInteger(u"DelphiExperts"_s, u"num"_s, 0), 4);

    // A failed save keeps the project modified and where it was, and says which file.
    w->project().experts().setSelected(0, false);
    const QString target = dir.filePath(u"missing/dir/x.vx7"_s);
    prompts.chooseSave(target).answer(u"Unable to write to "_s + target, Prompter::Ok);
    EXPECT_FALSE(w->commands().RzBitBtnSaveProjectAsClick());
    EXPECT_TRUE(w->project().isModified());
    EXPECT_EQ(w->project().fileName(), existing);
    prompts.answer(u"File is modified, save it?"_s, Prompter::No);
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(IniFile(existing).readString(u"ConfigData"_s, u"LastTime"_s), u"2026-12-06 9:00:00"_s);
}

TEST_F(MainWindowTest, CloseWritesTheSettingsAndTheProjectStatistics)
{
    auto w = start({sb.sampleProject});
    w->ui().showPage(app::Page::Tools);
    w->ui().RzCheckBoxValid->setChecked(true);
    clock.advanceSeconds(3723);

    // Cancel on the save question keeps the window and writes nothing.
    w->project().tools().setSelected(2, true);
    const QByteArray before = test::readAll(settings());
    prompts.answer(u"File is modified, save it?"_s, Prompter::Cancel);
    EXPECT_FALSE(close(*w));
    EXPECT_EQ(test::readAll(settings()), before);

    prompts.answer(u"File is modified, save it?"_s, Prompter::No);
    EXPECT_TRUE(close(*w));

    IniFile s(settings());
    EXPECT_EQ(s.sectionNames(),
              (QStringList{u"config"_s, u"Position"_s, u"Last"_s, u"Font"_s, u"Associate"_s}));
    EXPECT_EQ(s.keyNames(u"config"_s),
              (QStringList{u"Run"_s, u"LastEnd"_s, u"LastRunTime"_s, u"RunTimeSum"_s, u"Project"_s,
                           u"Language"_s, u"Day"_s, u"Win32SDKHelp"_s, u"BDEpath"_s, u"BDE"_s,
                           u"VerifyValid"_s, u"bordbk"_s, u"Desktop"_s, u"QuickLaunch"_s, u"Menu"_s,
                           u"DesktopD"_s, u"QuickLaunchD"_s, u"MenuD"_s}));
    EXPECT_EQ(s.readString(u"config"_s, u"LastEnd"_s), u"2026-12-06 10:02:03"_s);
    EXPECT_EQ(s.readString(u"config"_s, u"LastRunTime"_s), u"1:02:03"_s);
    EXPECT_EQ(s.readString(u"config"_s, u"Project"_s), sb.sampleProject);
    EXPECT_EQ(s.readString(u"config"_s, u"Language"_s), u"English"_s);
    EXPECT_TRUE(s.readBool(u"config"_s, u"VerifyValid"_s, false));
    EXPECT_EQ(s.readInteger(u"Last"_s, u"Page"_s, -1), 2);
    EXPECT_EQ(s.keyNames(u"Associate"_s), (QStringList{u"Associate"_s, u"Explorer"_s, u"FIleType"_s}));
    EXPECT_TRUE(test::readAll(settings()).startsWith("; Delphi 7 Vorlix\r\n[config]\r\nRun=2\r\n"));

    IniFile p(sb.sampleProject);
    EXPECT_EQ(p.readString(u"ConfigData"_s, u"LastRun"_s), u"1:02:03"_s);
    EXPECT_EQ(p.readString(u"ConfigData"_s, u"LastTime"_s), u"2026-12-06 10:02:03"_s);
    EXPECT_EQ(p.readInteger(u"ConfigData"_s, u"Run"_s, 0), 2);
    EXPECT_FALSE(p.readBool(u"DelphiTools"_s, u"Sel3"_s, true)) << "contents are saved only by Save";
}

TEST_F(MainWindowTest, ALanguageFileChangesItsTexts)
{
    test::writeAll(sb.delphiHost + u"/Test.lng"_s, "[Project]\r\nNewProject=Brand New\r\n");
    IniFile(settings()).writeString(u"config"_s, u"Language"_s, u"Test"_s);
    auto w = start();
    EXPECT_EQ(child<QPushButton>(*w, u"RzBitBtnNewProject"_s)->text(), u"Brand New"_s);
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"Test"_s);
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(IniFile(settings()).readString(u"config"_s, u"Language"_s), u"Test"_s);
}

TEST_F(MainWindowTest, TicksSkipOnceAndClearCommandsAsk)
{
    auto w = start({sb.sampleProject});
    w->TimerCountTimer();
    EXPECT_EQ(text(*w, u"RzLabelRunTime"_s), u""_s) << "the first tick only sets the skip flag";
    clock.advanceSeconds(2);
    w->TimerCountTimer();
    EXPECT_EQ(text(*w, u"RzLabelRunTime"_s), u"0:00:02"_s);
    EXPECT_EQ(text(*w, u"RzLabelProjectRunTime"_s), u"0:00:02"_s);
    EXPECT_EQ(text(*w, u"RzLabelRunTimeSum"_s), u"0Day 0:00:02"_s);

    prompts.answer(u"Clear runtime statistic?"_s, Prompter::No);
    w->RzLabelRunTimesDblClick();
    EXPECT_EQ(text(*w, u"RzLabelRunTimes"_s), u"1"_s);
    prompts.answer(u"Clear runtime statistic?"_s, Prompter::Yes);
    w->RzLabelRunTimesDblClick();
    EXPECT_EQ(text(*w, u"RzLabelRunTimes"_s), u"0"_s);
    EXPECT_EQ(text(*w, u"RzLabelLastRunTime"_s), u"0:00:00"_s);
    EXPECT_FALSE(IniFile(settings()).hasSection(u"config"_s));

    prompts.answer(u"Clear project's runtime statistic?"_s, Prompter::Yes);
    w->RzLabelProjectRunsDblClick();
    EXPECT_EQ(text(*w, u"RzLabelProjectRuns"_s), u"0"_s);
    EXPECT_EQ(w->project().statistics().runCount, 0);
    clock.advanceSeconds(65);
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(IniFile(sb.sampleProject).readInteger(u"ConfigData"_s, u"Run"_s, -1), 0);
    EXPECT_EQ(IniFile(sb.sampleProject).readString(u"ConfigData"_s, u"LastRun"_s), u"0:01:05"_s);
    // After the clear the close stores the time since the clear, day 0 and no run counter, so
    // the next start shows run 1.
    IniFile s(settings());
    EXPECT_EQ(s.readString(u"config"_s, u"LastRunTime"_s), u"0:01:05"_s);
    EXPECT_EQ(s.readString(u"config"_s, u"RunTimeSum"_s), u"0:01:05"_s);
    EXPECT_EQ(s.readInteger(u"config"_s, u"Day"_s, -1), 0);
    EXPECT_FALSE(s.hasKey(u"config"_s, u"Run"_s));
}

} // namespace
