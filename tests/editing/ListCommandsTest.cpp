// The experts, tools and search path commands against a window stand-in, with a small Wine-shaped
// prefix: c: is <prefix>/drive_c, d: is <prefix>/drive_d, DelphiRoot is C:\Delphi7\.
#include "editing/ExpertCommands.h"
#include "editing/SearchPathCommands.h"
#include "editing/ToolCommands.h"
#include "support/FakeEditingHost.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vx;
using namespace vx::editing;
using vx::test::ScriptedPrompter;
using Last = OpenDialogState::LastUse;
using namespace Qt::StringLiterals;

namespace {

class ListCommands : public ::testing::Test
{
protected:
    ListCommands()
    {
        for (const char16_t* d : {u"drive_c/Delphi7/Experts", u"drive_c/Delphi7/Tools", u"drive_c/Delphi7/Bin",
                                  u"drive_c/delphi7/Experts", u"drive_d/x", u"dosdevices"})
            QDir().mkpath(dir.filePath(QString::fromUtf16(d)));
        QFile::link(u"../drive_c"_s, dir.filePath(u"dosdevices/c:"_s));
        QFile::link(u"../drive_d"_s, dir.filePath(u"dosdevices/d:"_s));
        QFile::link(u"/"_s, dir.filePath(u"dosdevices/z:"_s));
        host.setHostRoot(c(u"Delphi7"_s));
    }
    QString c(const QString& rel) const { return dir.filePath(u"drive_c/"_s + rel); }
    QString d(const QString& rel) const { return dir.filePath(u"drive_d/"_s + rel); }
    ExpertListModel& experts() { return host.project().experts(); }
    ToolListModel& tools() { return host.project().tools(); }
    SearchPathModel& paths() { return host.project().searchPath(); }
    static QStringList column(const EntryListModel& m, int col)
    {
        QStringList l;
        for (int r = 0; r < m.count(); ++r)
            l << m.text(r, col) + (m.row(r).selected ? u"+"_s : u"-"_s);
        return l;
    }

    QTemporaryDir dir;
    test::FakeEditingHost host{u"C:\\Delphi7\\"_s, dir.path()};
    ExpertCommands expertCmds{host};
    ToolCommands toolCmds{host};
    SearchPathCommands pathCmds{host};
};

struct PathCase
{
    const char16_t* drive; // "c" or "d"
    const char16_t* chosen;
    const char16_t* stored;
    int image;
};

class ExpertPathRule : public ListCommands, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ExpertPathRule, AddStoresMacroFormAndAsksAtTheCursorInModeFour)
{
    const PathCase& p = GetParam();
    const QString chosen = p.drive == u"c"_s ? c(QString::fromUtf16(p.chosen)) : d(QString::fromUtf16(p.chosen));
    ScriptedPrompter prompter;
    prompter.chooseOpen(chosen).type(u""_s).cancelInput();
    expertCmds.popAddExpertClick();

    ASSERT_EQ(experts().count(), 1);
    const ExpertEntry e = experts().entry(0);
    EXPECT_EQ(QStringList({e.name, e.note, e.file}), QStringList({u"a"_s, u"a"_s, QString::fromUtf16(p.stored)}));
    EXPECT_EQ(e.image, p.image);
    EXPECT_TRUE(e.selected);
    EXPECT_EQ(host.selectedRow(experts()), 0);
    EXPECT_TRUE(host.project().isModified()) << "Add marks the project even while none is open";
    EXPECT_EQ(host.dialogs().open.lastUse, Last::Experts);
    EXPECT_EQ(prompter.filters().front(), u"Expert File(*.dll)|*.dll"_s);
    EXPECT_EQ(prompter.starts().front(), c(u"Delphi7/Experts"_s));
    ASSERT_EQ(prompter.inputs().size(), 2u);
    EXPECT_EQ(prompter.inputs()[0].title, u"Expert"_s);
    EXPECT_EQ(prompter.inputs()[1].title, u"Note"_s);
    for (const auto& shown : prompter.inputs())
        EXPECT_TRUE(shown.mode == 4 && shown.placeAtCursor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpertPathRule,
    ::testing::Values(PathCase{u"c", u"Delphi7/Experts/a.dll", u"$(Delphi)\\Experts\\a.dll", 12},
                      PathCase{u"c", u"delphi7/Experts/a.dll", u"$(Delphi)\\Experts\\a.dll", 12},
                      PathCase{u"d", u"x/a.dll", u"D:\\x\\a.dll", 18},
                      // Gone between the dialog and storing: stored unverified, nothing reported.
                      PathCase{u"c", u"Delphi7/Experts/vanished/a.dll", u"$(Delphi)\\Experts\\vanished\\a.dll", 12}));

TEST_F(ListCommands, ExpertDuplicatesAreRefusedAndTheDialogReopensButModifyMayKeepItsOwnFile)
{
    experts().add({u"A"_s, u"$(Delphi)\\Experts\\a.dll"_s, u"n"_s, false, 12});
    experts().add({u"B"_s, u"D:\\x\\b.dll"_s, u"m"_s, true, 18});
    ScriptedPrompter prompter;
    prompter.chooseOpen(c(u"DELPHI7/EXPERTS/A.DLL"_s))
        .answer(u"[C:\\DELPHI7\\EXPERTS\\A.DLL] has already exist, please select again."_s, Prompter::Ok)
        .chooseOpen({});
    expertCmds.popAddExpertClick();
    EXPECT_EQ(prompter.starts()[1], c(u"DELPHI7/EXPERTS/A.DLL"_s)) << "reopens at the refused file";
    EXPECT_EQ(experts().count(), 2);

    host.selectRow(experts(), 0);
    prompter.answer(u"Do you really want to modify [A] ?"_s, Prompter::Yes)
        .chooseOpen(d(u"x/b.dll"_s))
        .answer(u"D:\\x\\b.dll has already exist"_s, Prompter::Ok)
        .chooseOpen(c(u"Delphi7/Experts/a.dll"_s))
        .type(u"A2"_s)
        .type(u"note"_s);
    expertCmds.popModifyExpertClick();
    EXPECT_EQ(prompter.messages()[1].icon, Prompter::Icon::Question);
    EXPECT_EQ(prompter.messages()[1].defaultButton, Prompter::No);
    EXPECT_EQ(prompter.filters()[2], u"Expert(*.dll)|*.dll"_s);
    ASSERT_EQ(prompter.inputs().size(), 2u);
    EXPECT_EQ(prompter.inputs()[0].title, u"专家名称"_s);
    EXPECT_EQ(column(experts(), 0), (QStringList{u"A2-"_s, u"B+"_s}));
    EXPECT_EQ(column(experts(), 2), (QStringList{u"note-"_s, u"m+"_s}));
}

TEST_F(ListCommands, ExpertEditsTouchOnlyTheNamedRowAndNoChangesNothing)
{
    for (const QString& n : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
        experts().add({n, u"D:\\"_s + n + u".dll"_s, n, n != u"B"_s && n != u"D"_s, 18});
    const QStringList before = column(experts(), 0);
    host.selectRow(experts(), 1);
    ScriptedPrompter prompter;
    prompter.answer(u"[B] ?"_s, Prompter::No).answer(u"Do you really want to delete [B] ?"_s, Prompter::No);
    expertCmds.popModifyExpertClick();
    expertCmds.popDelExpertClick();
    EXPECT_EQ(prompter.messages()[1].title, u"Confirm Delete"_s);
    EXPECT_EQ(column(experts(), 0), before);
    EXPECT_FALSE(host.project().isModified());

    prompter.answer(u"[B] ?"_s, Prompter::Yes).chooseOpen(d(u"x/e.dll"_s)).type(u"E"_s).type(u"e"_s);
    expertCmds.popModifyExpertClick();
    EXPECT_EQ(column(experts(), 0), (QStringList{u"A+"_s, u"E-"_s, u"C+"_s, u"D-"_s}));
    host.selectRow(experts(), 2);
    prompter.answer(u"[C] ?"_s, Prompter::Yes);
    expertCmds.popDelExpertClick();
    EXPECT_EQ(column(experts(), 0), (QStringList{u"A+"_s, u"E-"_s, u"D-"_s}));
    EXPECT_EQ(host.notifications(), 1);
    EXPECT_TRUE(host.project().isModified());

    host.clearSelection(experts());
    expertCmds.popModifyExpertClick(); // nothing selected: nothing asked
    expertCmds.popDelExpertClick();
    EXPECT_EQ(experts().count(), 3);
}

TEST_F(ListCommands, OpenDialogRemembersTheLastExpertUntilAnotherListUsesIt)
{
    experts().add({u"A"_s, u"D:\\A.dll"_s, u""_s, true, 18});
    host.selectRow(experts(), 0);
    ScriptedPrompter prompter;
    prompter.chooseOpen(c(u"Delphi7/Bin/new.dll"_s)).type(u"N"_s).type(u"n"_s);
    expertCmds.popAddExpertClick();
    host.selectRow(experts(), 0);
    prompter.answer(u"[A] ?"_s, Prompter::Yes).chooseOpen({});
    expertCmds.popModifyExpertClick();
    EXPECT_EQ(prompter.starts()[1], c(u"Delphi7/Bin/new.dll"_s)) << "Modify keeps folder and file name";

    prompter.chooseOpen(d(u"x/t.exe"_s)).type(u"T"_s).chooseFolder({}).type(u"p"_s);
    toolCmds.popAddToolClick();
    EXPECT_EQ(prompter.starts()[2], c(u"Delphi7/Tools"_s));
    EXPECT_EQ(host.dialogs().open.lastUse, Last::Tools);
    prompter.answer(u"[A] ?"_s, Prompter::Yes).chooseOpen({});
    expertCmds.popModifyExpertClick();
    EXPECT_EQ(prompter.starts()[3], c(u"Delphi7/Experts"_s)) << "after tools Modify starts afresh";
    prompter.chooseOpen({});
    expertCmds.popAddExpertClick();
    EXPECT_EQ(prompter.starts()[4], c(u"Delphi7/Experts"_s)) << "Add always starts afresh";
}

struct WorkDirCase
{
    const char16_t* folder; // under drive_c, empty = cancelled
    const char16_t* stored;
};

class ToolWorkDir : public ListCommands, public ::testing::WithParamInterface<WorkDirCase> {};

TEST_P(ToolWorkDir, AddStoresTheFolderByTheWorkingDirectoryRule)
{
    const QString folder = QString::fromUtf16(GetParam().folder);
    host.dialogs().input.mode = 3; // left by an earlier caller: no prompt may inherit it
    ScriptedPrompter prompter;
    prompter.chooseOpen(c(u"Delphi7/Bin/tool.exe"_s)).type({}).chooseFolder(folder.isEmpty() ? folder : c(folder)).type({});
    toolCmds.popAddToolClick();
    ASSERT_EQ(tools().count(), 1);
    const ToolEntry t = tools().entry(0);
    EXPECT_EQ(QStringList({t.title, t.program, t.workingDir, t.params}),
              QStringList({u"tool"_s, u"$(Delphi)\\Bin\\tool.exe"_s, QString::fromUtf16(GetParam().stored), QString()}))
        << "OK with an empty text stores empty parameters";
    EXPECT_EQ(t.image, 12);
    EXPECT_TRUE(t.selected);
    EXPECT_EQ(prompter.filters()[0], u"EXE(*.exe)|*.exe"_s);
    EXPECT_EQ(prompter.folders()[0], c(u"Delphi7/Bin"_s)) << "the folder dialog starts at the program's folder";
    ASSERT_EQ(prompter.inputs().size(), 2u);
    EXPECT_EQ(prompter.inputs()[0].title, u"Tool's Name"_s);
    EXPECT_EQ(prompter.inputs()[1].title, u"Params"_s);
    EXPECT_EQ(prompter.inputs()[0].mode, 2);
    EXPECT_EQ(prompter.inputs()[1].mode, 2) << "empty parameters can be confirmed";
    EXPECT_FALSE(host.project().isModified()) << "without an open project only the check-state handler ran";
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolWorkDir,
                         ::testing::Values(WorkDirCase{u"Delphi7", u"$(Delphi)\\"},
                                           WorkDirCase{u"Delphi7/Bin", u"$(Delphi)\\Bin"},
                                           WorkDirCase{u"", u""}));

TEST_F(ListCommands, ToolModifyReplacesFieldsOutsideTheRootAndKeepsTheCheckBox)
{
    tools().add({u"One"_s, u"$(Delphi)\\Bin\\one.exe"_s, u"$(Delphi)\\"_s, u"-x"_s, false, 12});
    tools().add({u"Two"_s, u"D:\\two.exe"_s, u""_s, u""_s, true, 18});
    host.selectRow(tools(), 0);
    QTemporaryDir outside; // not under any drive but z:
    QDir().mkpath(outside.filePath(u"gone"_s));
    ScriptedPrompter prompter;
    prompter.chooseOpen(outside.filePath(u"gone/sub/prog.exe"_s)).type(u"Prog"_s).chooseFolder(d(u"x"_s)).cancelInput();
    toolCmds.popModifyToolClick();
    const ToolEntry t = tools().entry(0);
    EXPECT_EQ(t.program, host.bridge().toWindows(outside.filePath(u"gone/sub/prog.exe"_s)));
    EXPECT_TRUE(t.program.startsWith(u"Z:\\"_s));
    EXPECT_EQ(t.image, 18);
    EXPECT_EQ(prompter.folders()[0], outside.filePath(u"gone"_s)) << "a missing folder opens at its nearest ancestor";
    EXPECT_EQ(t.workingDir, u"D:\\x"_s);
    EXPECT_EQ(t.params, QString()) << "a cancelled Params prompt empties the parameters";
    EXPECT_EQ(column(tools(), 0), (QStringList{u"Prog-"_s, u"Two+"_s}));
    EXPECT_TRUE(host.project().isModified());
}

TEST_F(ListCommands, ToolSelectAllAsksAndMarksOnlyThroughTheCheckStateHandler)
{
    tools().add({u"A"_s, u"D:\\a.exe"_s, {}, {}, true, 18});
    tools().add({u"B"_s, u"D:\\b.exe"_s, {}, {}, false, 18});
    ScriptedPrompter prompter;
    prompter.answer(u"Select all components will make Delphi run very slowly.\r\n\r\nAre you sure?"_s, Prompter::No)
        .answer(u"Unselect all components, are you sure?"_s, Prompter::No);
    toolCmds.popSelAllToolClick();
    toolCmds.popunSelAllToolClick();
    EXPECT_EQ(column(tools(), 0), (QStringList{u"A+"_s, u"B-"_s}));
    EXPECT_EQ(prompter.messages()[0].icon, Prompter::Icon::Warning);
    EXPECT_EQ(prompter.messages()[0].title, u"Confirm"_s);
    EXPECT_EQ(prompter.messages()[0].defaultButton, Prompter::No);

    host.project().setOpen(true);
    prompter.answer(u"slowly"_s, Prompter::Yes);
    toolCmds.popSelAllToolClick();
    EXPECT_EQ(column(tools(), 0), (QStringList{u"A+"_s, u"B+"_s}));
    EXPECT_TRUE(host.project().isModified());
}

TEST_F(ListCommands, ExpertSelectAllIsOnePassOverManyRows)
{
    std::vector<EntryRow> rows(10000, EntryRow{{u"x"_s, u"D:\\x.dll"_s, {}}, false, 18});
    experts().addRows(std::move(rows));
    QSignalSpy recounts(&host.project(), &ConfigProject::countsChanged);
    expertCmds.popSelAllExpertClick();
    EXPECT_EQ(experts().selectedCount(), 10000);
    EXPECT_EQ(recounts.count(), 1);
    EXPECT_TRUE(host.project().isModified());
    host.project().setUnmodified();
    expertCmds.popunSelAllExpertClick();
    EXPECT_EQ(experts().selectedCount(), 0);
    EXPECT_TRUE(host.project().isModified());
}

TEST_F(ListCommands, CellHintsFollowThePressedColumn)
{
    experts().add({u"Name"_s, u"File"_s, u"Note"_s, true, 18});
    tools().add({u"Title"_s, u"Prog"_s, u"Dir"_s, u"Params"_s, true, 18});
    expertCmds.RzListViewExpertMouseDown(5);
    EXPECT_EQ(host.pane(), QString()) << "no selected row, no hint";
    host.selectRow(experts(), 0);
    host.selectRow(tools(), 0);
    for (auto* m : {static_cast<EntryListModel*>(&experts()), static_cast<EntryListModel*>(&tools())})
        for (int col = 0; col < m->columnCount(); ++col)
            m->setColumnWidth(col, 100);
    const std::tuple<bool, int, const char16_t*> cases[] = {{true, 100, u"Name"}, {true, 101, u"File"}, {true, 250, u"Note"},
                                                            {true, 999, u"Note"}, {false, 0, u"Title"}, {false, 200, u"Prog"},
                                                            {false, 201, u"Dir"}, {false, 350, u"Dir"}};
    for (const auto& [expert, x, text] : cases) {
        expert ? expertCmds.RzListViewExpertMouseDown(x) : toolCmds.RzListViewToolMouseDown(x);
        EXPECT_EQ(host.hint(expert ? static_cast<EntryListModel&>(experts()) : tools()), QString::fromUtf16(text)) << x;
    }
}

TEST_F(ListCommands, SearchPathFoldersAreStoredShortenedAndSorted)
{
    ScriptedPrompter prompter;
    prompter.chooseFolder(c(u"Delphi7/Lib"_s)).chooseFolder(c(u"Delphi7"_s)).chooseFolder(d(u"x"_s)).chooseFolder(d(u"x/"_s));
    for (int i = 0; i < 4; ++i)
        pathCmds.RzRapidFireButtonAddPathClick();
    EXPECT_EQ(paths().rows(), (QStringList{u"$(Delphi)\\Lib"_s, u"C:\\Delphi7"_s, u"D:\\x"_s, u"D:\\x"_s}));
    const auto image = [this](int r) { return paths().data(paths().index(r), ImageIndexRole).toInt(); };
    EXPECT_EQ(image(0), 12);
    EXPECT_EQ(image(1), 18);
    EXPECT_EQ(prompter.folderTitles()[0], u"Include Path"_s);
    EXPECT_TRUE(host.project().isModified());

    host.selectRow(paths(), 3);
    prompter.chooseFolder(c(u"Delphi7/Bin"_s));
    pathCmds.RzRapidFireButtonModifyPathClick();
    EXPECT_EQ(paths().rows(), (QStringList{u"$(Delphi)\\Bin"_s, u"$(Delphi)\\Lib"_s, u"C:\\Delphi7"_s, u"D:\\x"_s}));
    EXPECT_EQ(host.selectedRow(paths()), 0) << "the modified folder stays selected at its new place";
    EXPECT_EQ(prompter.folders()[4], d(u"x"_s)) << "opens where the last choice left it";

    host.selectRow(paths(), 2);
    prompter.answer(u"Do you really want delete path \"C:\\Delphi7\" ?"_s, Prompter::No);
    pathCmds.RzRapidFireButtonDelPathClick();
    EXPECT_EQ(paths().count(), 4);
    EXPECT_EQ(prompter.messages()[0].title, u"Confirm"_s);
    prompter.answer(u"C:\\Delphi7"_s, Prompter::Yes);
    pathCmds.RzRapidFireButtonDelPathClick();
    EXPECT_EQ(paths().rows(), (QStringList{u"$(Delphi)\\Bin"_s, u"$(Delphi)\\Lib"_s, u"D:\\x"_s}));

    host.selectRow(paths(), 1);
    pathCmds.RzListViewSearchPathMouseDown();
    EXPECT_EQ(host.hint(paths()), u"$(Delphi)\\Lib"_s);
    host.clearSelection(paths());
    pathCmds.RzRapidFireButtonModifyPathClick(); // nothing selected: nothing asked
    pathCmds.RzRapidFireButtonDelPathClick();
}

} // namespace
