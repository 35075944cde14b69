// The editing commands of the experts, tools, search path, package and option pages against a
// window stand-in, with a small Wine-shaped prefix: c: is <prefix>/drive_c, d: is
// <prefix>/drive_d, z: is /, DelphiRoot is C:\Delphi7\.
#include "editing/EditingRules.h"
#include "editing/ExpertCommands.h"
#include "editing/GroupCommands.h"
#include "editing/OptionCommands.h"
#include "editing/SearchPathCommands.h"
#include "editing/ToolCommands.h"
#include "fixtures/PeBuilder.h"
#include "platform/ini/IniFile.h"
#include "project/ProjectFile.h"
#include "support/FakeEditingHost.h"
#include "support/PackageFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vx;
using namespace vx::editing;
using vx::test::ScriptedPrompter;
using namespace Qt::StringLiterals;

namespace {

class Commands : public ::testing::Test
{
  protected:
    Commands()
    {
        for (const char16_t* d :
             {u"drive_c/Delphi7/Experts", u"drive_c/Delphi7/Tools", u"drive_c/Delphi7/Bin",
              u"drive_c/Delphi7/Source", u"drive_c/Delphi7/Components/Standard", u"drive_d/x", u"dosdevices"})
            QDir().mkpath(dir.filePath(QString::fromUtf16(d)));
        QFile::link(u"../drive_c"_s, dir.filePath(u"dosdevices/c:"_s));
        QFile::link(u"../drive_d"_s, dir.filePath(u"dosdevices/d:"_s));
        QFile::link(u"/"_s, dir.filePath(u"dosdevices/z:"_s));
        host.setHostRoot(c(u"Delphi7"_s));
    }
    // Three groups, Standard active, and an open project.
    void addGroups()
    {
        project().addGroup(u"Standard"_s).add({u"Std"_s, u"$(Delphi)\\Bin\\dclstd70.bpl"_s, {}, {}, false});
        project().addGroup(u"Extra"_s).add({u"Other"_s, u"Z:\\opt\\pkgs\\other.bpl"_s, {}, {}, true});
        project().addGroup(u"Missing"_s);
        project().setActiveGroup(0);
        project().setOpen(true);
    }
    QString c(const QString& rel) const { return dir.filePath(u"drive_c/"_s + rel); }
    QString d(const QString& rel) const { return dir.filePath(u"drive_d/"_s + rel); }
    ConfigProject& project() { return host.project(); }
    ExpertListModel& experts() { return project().experts(); }
    ToolListModel& tools() { return project().tools(); }
    SearchPathModel& paths() { return project().searchPath(); }
    QStringList groupNames()
    {
        QStringList names;
        for (int g = 0; g < project().groupCount(); ++g)
            names << project().groupName(g);
        return names;
    }
    // A column of the list, each text followed by "+" (checked) or "-".
    static QStringList column(const EntryListModel& m, int col)
    {
        QStringList l;
        for (int r = 0; r < m.count(); ++r)
            l << m.text(r, col) + (m.row(r).selected ? u"+"_s : u"-"_s);
        return l;
    }
    // The input prompts shown: "title:mode", with "@" when placed at the pointer.
    static QString prompts(const ScriptedPrompter& p)
    {
        QStringList l;
        for (const auto& shown : p.inputs())
            l << shown.title + u':' + QString::number(shown.mode) + (shown.placeAtCursor ? u"@"_s : u""_s);
        return l.join(u',');
    }

    QTemporaryDir dir;
    test::FakeEditingHost host{u"C:\\Delphi7\\"_s, dir.path()};
    ExpertCommands expertCmds{host};
    ToolCommands toolCmds{host};
    SearchPathCommands pathCmds{host};
    GroupCommands groupCmds{host};
};

// A file gone between the dialog and storing is stored unverified, in macro form, nothing reported.
TEST_F(Commands, AddExpertStoresTheMacroFormUnverifiedAndAsksAtTheCursorInModeFour)
{
    ScriptedPrompter prompter;
    prompter.chooseOpen(c(u"Delphi7/Experts/vanished/a.dll"_s)).type(u""_s).cancelInput();
    expertCmds.popAddExpertClick();
    ASSERT_EQ(experts().count(), 1);
    const ExpertEntry e = experts().entry(0);
    EXPECT_EQ(QStringList({e.name, e.note, e.file}),
              QStringList({u"a"_s, u"a"_s, u"$(Delphi)\\Experts\\vanished\\a.dll"_s}));
    EXPECT_TRUE(e.selected);
    EXPECT_EQ(host.selectedRow(experts()), 0);
    EXPECT_TRUE(project().isModified()) << "Add marks the project even while none is open";
    EXPECT_EQ(prompter.starts().front(), c(u"Delphi7/Experts"_s));
    EXPECT_EQ(prompts(prompter), u"Expert:4@,Note:4@"_s);
}

TEST_F(Commands, AddToolStoresTheFolderByTheWorkingDirectoryRule)
{
    for (const auto& [folder, stored] :
         {std::pair{u"C:\\Delphi7\\Bin"_s, u"$(Delphi)\\Bin"_s},
          {u"C:\\Delphi7Extra\\Bin"_s, u"C:\\Delphi7Extra\\Bin"_s}}) // beside DelphiRoot, not inside it
        EXPECT_EQ(shortenWorkingDir(folder, host.macro()), stored);
    host.dialogs().input.mode = 3; // left by an earlier caller: no prompt may inherit it
    ScriptedPrompter prompter;
    prompter.chooseOpen(c(u"Delphi7/Bin/tool.exe"_s)).type({}).chooseFolder(c(u"Delphi7"_s)).type({});
    toolCmds.popAddToolClick();
    ASSERT_EQ(tools().count(), 1);
    const ToolEntry t = tools().entry(0);
    EXPECT_EQ(QStringList({t.title, t.program, t.workingDir, t.params}),
              QStringList({u"tool"_s, u"$(Delphi)\\Bin\\tool.exe"_s, u"$(Delphi)\\"_s, QString()}))
        << "DelphiRoot itself; OK with an empty text stores empty parameters";
    EXPECT_TRUE(t.selected);
    EXPECT_EQ(prompter.folders()[0], c(u"Delphi7/Bin"_s))
        << "the folder dialog starts at the program's folder";
    EXPECT_EQ(prompts(prompter), u"Tool's Name:2@,Params:2@"_s) << "empty parameters can be confirmed";
    EXPECT_FALSE(project().isModified()) << "without an open project only the check-state handler ran";
}

// A package's DESCRIPTION is the default of its name and note, else its file name; a run-time only
// package is refused. Without the group's list the add ends with a system error, changing nothing.
TEST_F(Commands, AddComponentStoresMacroPathsAndTheDescriptionAndRefusesARunTimeOnlyPackage)
{
    addGroups();
    for (const auto& [name, flags] : {std::pair{u"rt"_s, 4u}, {u"vx"_s, 2u}})
        test::writeAll(
            c(u"Delphi7/Bin/"_s + name + u".bpl"_s),
            fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, test::packageInfoBlob(flags, {}, {})},
                                         {u"DESCRIPTION"_s, test::descriptionBlob(u"Vx tools"_s)}}));
    ScriptedPrompter s;
    s.chooseOpen(c(u"Delphi7/Bin/rt.bpl"_s)).answer(u"is a run-time only package"_s, Prompter::Ok);
    s.chooseOpen(c(u"Delphi7/Bin/vx.bpl"_s)).type({}).chooseFolder(c(u"Delphi7/Source"_s)).type({});
    groupCmds.popAddCompClick();
    EXPECT_EQ(s.starts().at(0), c(u"Delphi7/Components/Standard"_s));
    EXPECT_EQ(prompts(s), u"Component:2@,Note:2@"_s);
    const ComponentListModel& list = project().group(0);
    ASSERT_EQ(list.count(), 2);
    const ComponentEntry e = list.entry(host.selectedRow(list));
    EXPECT_EQ(
        QStringList({e.name, e.file, e.includePath, e.note}),
        QStringList({u"Vx tools"_s, u"$(Delphi)\\Bin\\vx.bpl"_s, u"$(Delphi)\\Source"_s, u"Vx tools"_s}));
    EXPECT_TRUE(e.selected);
    s.chooseOpen(c(u"Delphi7/Bin/dclnet70.bpl"_s)).type({}).chooseFolder({}).type({});
    groupCmds.popAddCompClick();
    EXPECT_EQ(list.entry(host.selectedRow(list)).name, u"dclnet70"_s) << "without a DESCRIPTION";

    host.loseGroupList(1);
    project().setUnmodified();
    s.chooseOpen(c(u"Delphi7/Bin/x.bpl"_s)).answer(u"occur system error, please restart."_s, Prompter::Ok);
    groupCmds.popAddCompClick();
    EXPECT_TRUE(s.messages().back().text.contains(u"ListViewComp2"_s));
    EXPECT_EQ(list.count(), 3);
    EXPECT_FALSE(project().isModified());
}

// A file that any row of the list holds (of any group, for packages; the tools refuse alike) is
// refused and the dialog reopens at it. Modify asks first, may keep the row's own file, and changes
// that row only, its check box as it was.
TEST_F(Commands, DuplicateFilesAreRefusedAndModifyChangesOnlyItsRowWhichMayKeepItsFile)
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
    EXPECT_EQ(prompts(prompter), u"专家名称:4@,专家说明:4@"_s);
    EXPECT_EQ(column(experts(), 0), (QStringList{u"A2-"_s, u"B+"_s}));
    EXPECT_EQ(column(experts(), 2), (QStringList{u"note-"_s, u"m+"_s}));
    EXPECT_TRUE(project().isModified());

    addGroups();
    project().setActiveGroup(2);
    ScriptedPrompter s;
    s.chooseOpen(c(u"Delphi7/BIN/DCLSTD70.BPL"_s))
        .answer(u"[C:\\Delphi7\\BIN\\DCLSTD70.BPL] has already exist"_s, Prompter::Ok)
        .chooseOpen({});
    groupCmds.popAddCompClick();
    EXPECT_EQ(project().group(2).count(), 0);
    project().setActiveGroup(1);
    host.selectRow(project().group(1), 0);
    s.chooseOpen(c(u"Delphi7/bin/dclstd70.bpl"_s)).answer(u"has already exist"_s, Prompter::Ok);
    s.chooseOpen(u"/opt/pkgs/other.bpl"_s).type(u"Renamed"_s).chooseFolder({}).type(u"n"_s);
    groupCmds.popModifyCompClick();
    EXPECT_EQ(project().group(1).entry(0).name, u"Renamed"_s);
    EXPECT_EQ(project().group(1).entry(0).file, u"Z:\\opt\\pkgs\\other.bpl"_s);
}

TEST_F(Commands, ModifyToolTakesAProgramOutsideTheDrivesAndACancelledParamsPromptEmptiesThem)
{
    tools().add({u"One"_s, u"$(Delphi)\\Bin\\one.exe"_s, u"$(Delphi)\\"_s, u"-x"_s, false, 12});
    tools().add({u"Two"_s, u"D:\\two.exe"_s, u""_s, u""_s, true, 18});
    host.selectRow(tools(), 0);
    QTemporaryDir outside; // not under any drive but z:
    QDir().mkpath(outside.filePath(u"gone"_s));
    ScriptedPrompter prompter;
    prompter.chooseOpen(outside.filePath(u"gone/sub/prog.exe"_s))
        .type(u"Prog"_s)
        .chooseFolder(d(u"x"_s))
        .cancelInput();
    toolCmds.popModifyToolClick();
    const ToolEntry t = tools().entry(0);
    EXPECT_EQ(
        QStringList({t.program, t.workingDir, t.params}),
        QStringList({host.bridge().toWindows(outside.filePath(u"gone/sub/prog.exe"_s)), u"D:\\x"_s, {}}));
    EXPECT_EQ(prompter.folders()[0], outside.filePath(u"gone"_s))
        << "a missing folder opens at its nearest ancestor";
    EXPECT_EQ(column(tools(), 0), (QStringList{u"Prog-"_s, u"Two+"_s}));
}

// Delete asks first (No by default); Yes removes the row, selects its neighbour and marks the
// project. Without a selected row neither Modify nor Delete asks anything. The entry lists share
// one delete; the search path has its own.
TEST_F(Commands, DeleteAsksAndModifyOrDeleteWithoutASelectedRowAskNothing)
{
    experts().add({u"A"_s, u"D:\\a.dll"_s, {}, true, 18});
    experts().add({u"B"_s, u"D:\\b.dll"_s, {}, false, 18});
    paths().addPaths({u"C:\\B"_s, u"C:\\A"_s});
    const struct
    {
        const char* name;
        QAbstractItemModel& list;
        std::function<void()> modify, remove;
        QString question;
    } cases[] = {
        {"experts", experts(), [&] { expertCmds.popModifyExpertClick(); },
         [&] { expertCmds.popDelExpertClick(); }, u"Do you really want to delete [B] ?"_s},
        {"search path", paths(), [&] { pathCmds.RzRapidFireButtonModifyPathClick(); },
         [&] { pathCmds.RzRapidFireButtonDelPathClick(); }, u"Do you really want delete path \"C:\\B\" ?"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompter s;
        c.modify();
        c.remove();
        host.selectRow(c.list, 1);
        project().setUnmodified();
        s.answer(c.question, Prompter::No).answer(c.question, Prompter::Yes);
        c.remove();
        EXPECT_EQ(c.list.rowCount(), 2);
        EXPECT_FALSE(project().isModified());
        c.remove();
        ASSERT_EQ(c.list.rowCount(), 1);
        EXPECT_EQ(host.selectedRow(c.list), 0);
        EXPECT_TRUE(project().isModified());
        EXPECT_EQ(s.messages()[0].defaultButton, Prompter::No);
    }
    EXPECT_EQ(host.notifications(), 1) << "the page control hears of the entry list's deletion";
}

TEST_F(Commands, SelectAllAsksForToolsIsOnePassForExpertsAndReachesTheGroupsItNames)
{
    tools().add({u"A"_s, u"D:\\a.exe"_s, {}, {}, true, 18});
    tools().add({u"B"_s, u"D:\\b.exe"_s, {}, {}, false, 18});
    ScriptedPrompter prompter;
    prompter.answer(u"Select all components will make Delphi run very slowly.\r\n\r\nAre you sure?"_s,
                    Prompter::No);
    toolCmds.popSelAllToolClick();
    EXPECT_EQ(column(tools(), 0), (QStringList{u"A+"_s, u"B-"_s}));

    experts().addRows(std::vector<EntryRow>(3, EntryRow{{u"x"_s, u"D:\\x.dll"_s, {}}, false, 18}));
    QSignalSpy recounts(&project(), &ConfigProject::countsChanged);
    expertCmds.popSelAllExpertClick();
    EXPECT_EQ(experts().selectedCount(), 3);
    EXPECT_EQ(recounts.count(), 1);
    EXPECT_TRUE(project().isModified());

    // Tools are marked only through the check-state handler, which marks an open project.
    addGroups();
    project().setUnmodified();
    prompter.answer(u"slowly"_s, Prompter::Yes);
    toolCmds.popSelAllToolClick();
    EXPECT_EQ(column(tools(), 0), (QStringList{u"A+"_s, u"B+"_s}));
    EXPECT_TRUE(project().isModified());

    groupCmds.popSelAllCompClick();
    EXPECT_EQ(project().selectedComponentCount(), 2) << "the active group only";
    groupCmds.popunSelAllGrpClick();
    EXPECT_EQ(project().selectedComponentCount(), 0);

    test::FakeEditingHost empty; // no groups: nothing to select, add or delete
    GroupCommands none(empty);
    empty.project().setOpen(true);
    QSignalSpy noCounts(&empty.project(), &ConfigProject::countsChanged);
    for (auto command : {&GroupCommands::popSelAllGrpClick, &GroupCommands::popSelAllCompClick,
                         &GroupCommands::popAddCompClick, &GroupCommands::popDelGroupClick})
        (none.*command)();
    EXPECT_EQ(noCounts.count(), 0);
    EXPECT_FALSE(empty.project().isModified());
}

// A press shows the text of the pressed column of the selected row: each column up to its right
// edge, past the last hinted column that column; without a selected row no hint.
TEST_F(Commands, CellHintsShowThePressedColumnOfTheSelectedRow)
{
    for (const auto& [x, column] : {std::pair{100, 0}, {101, 1}, {999, 2}})
        EXPECT_EQ(hintColumn(x, {100, 100, 100}), column) << x;
    tools().add({u"Title"_s, u"Prog"_s, u"Dir"_s, u"Params"_s, true, 18});
    paths().addPath(u"$(Delphi)\\Lib"_s);
    toolCmds.RzListViewToolMouseDown(5);
    EXPECT_EQ(host.hint(tools()), QString()) << "no selected row, no hint";
    host.selectRow(tools(), 0);
    for (int col = 0; col < tools().columnCount(); ++col)
        tools().setColumnWidth(col, 100);
    toolCmds.RzListViewToolMouseDown(350);
    EXPECT_EQ(host.hint(tools()), u"Dir"_s) << "the tools' last hinted column is the folder";
    host.selectRow(paths(), 0);
    pathCmds.RzListViewSearchPathMouseDown();
    EXPECT_EQ(host.hint(paths()), u"$(Delphi)\\Lib"_s);
}

TEST_F(Commands, SearchPathFoldersAreStoredShortenedAndSorted)
{
    ScriptedPrompter prompter;
    prompter.chooseFolder(c(u"Delphi7/Lib"_s))
        .chooseFolder(c(u"Delphi7"_s))
        .chooseFolder(d(u"x"_s))
        .chooseFolder(d(u"x/"_s));
    for (int i = 0; i < 4; ++i)
        pathCmds.RzRapidFireButtonAddPathClick();
    EXPECT_EQ(paths().rows(), (QStringList{u"$(Delphi)\\Lib"_s, u"C:\\Delphi7"_s, u"D:\\x"_s, u"D:\\x"_s}));
    EXPECT_TRUE(project().isModified());

    host.selectRow(paths(), 3);
    prompter.chooseFolder(c(u"Delphi7/Bin"_s));
    pathCmds.RzRapidFireButtonModifyPathClick();
    EXPECT_EQ(paths().rows(),
              (QStringList{u"$(Delphi)\\Bin"_s, u"$(Delphi)\\Lib"_s, u"C:\\Delphi7"_s, u"D:\\x"_s}));
    EXPECT_EQ(host.selectedRow(paths()), 0) << "the modified folder stays selected at its new place";
    EXPECT_EQ(prompter.folders()[4], d(u"x"_s)) << "opens where the last choice left it";
}

TEST_F(Commands, GroupNamePromptsRefuseReservedDuplicateAndUnstorableNamesAndAskAgain)
{
    addGroups();
    ScriptedPrompter s;
    for (const char16_t* reserved : {u" Lead", u"configdata"})
        s.type(QString::fromUtf16(reserved)).answer(u"Group name is not vavil."_s, Prompter::Yes);
    s.type(u"standard"_s).answer(u"<standard> has already exist"_s, Prompter::Ok);
    s.type(u"Two\nLines"_s).answer(u"line break"_s, Prompter::Ok).type(u"New [old]"_s);
    groupCmds.popAddGroupClick();
    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"Extra"_s, u"Missing"_s, u"New [old]"_s}));
    EXPECT_EQ(project().activeGroup(), 3);
    EXPECT_TRUE(project().isModified());
    EXPECT_EQ(s.inputs()[0].title + u':' + QString::number(s.inputs()[0].mode), u"Input Group Name:1"_s);
    EXPECT_EQ(s.messages()[0].buttons, Prompter::Yes);

    host.setAddressedGroup(1); // a rename may change the case of its own name
    s.type(u"DelphiTools"_s).answer(u"Group name is not avail"_s, Prompter::Yes);
    s.type(u"STANDARD"_s).answer(u"<STANDARD> has already exist"_s, Prompter::Ok).type(u"EXTRA"_s);
    groupCmds.popModifyGroupClick();
    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"EXTRA"_s, u"Missing"_s, u"New [old]"_s}));
}

// The names the prompt refuses are exactly those that do not come back from a project file.
TEST(GroupNames, RefusedNamesAreThoseAProjectFileDoesNotReadBack)
{
    const QStringList refused{u"a\nb"_s, u"a\rb"_s, u"trail "_s, u"\tlead"_s,
                              u"a"_s + QChar(0xD800) + u"b"_s};
    const QStringList kept{u"Lib [old]"_s, u"[x"_s,          u"k=v"_s,
                           u";note"_s,     u"tab\tinside"_s, QString(5000, u'x')};
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.vx7"_s);
    const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
    for (const QString& name : refused + kept) {
        ConfigProject p;
        p.addGroup(name).add({u"Pkg"_s, u"C:\\p.bpl"_s, {}, {}, true});
        IniFile store(path);
        saveProject(p, store, now);
        ConfigProject back;
        readProject(IniFile(path), back, PathMacro(u"C:\\Delphi7\\"_s), {nullptr, now, {}});
        const bool storable = kept.contains(name);
        EXPECT_EQ(unstorableGroupNameReason(name).isEmpty(), storable) << name.toStdString();
        EXPECT_EQ(back.groupCount() == 1 && back.groupName(0) == name && back.group(0).count() == 1, storable)
            << name.toStdString();
    }
}

// The page that was active stays active (one place earlier when it stood after the deleted one);
// when the active page itself goes, the one that takes its place, or the last.
TEST_F(Commands, DeletingAGroupKeepsTheActivePageWhereItCan)
{
    const struct
    {
        int active, deleted, activeAfter;
    } cases[] = {{3, 1, 2}, {2, 0, 1}, {0, 2, 0}, {1, 1, 1}, {3, 3, 2}};
    project().setOpen(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.active << " " << c.deleted);
        while (project().groupCount() > 0)
            project().removeGroup(0);
        for (const QString& name : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
            project().addGroup(name).add({name, u"C:\\"_s + name + u".bpl"_s, {}, {}, false});
        project().setActiveGroup(c.active);
        host.setAddressedGroup(c.deleted);
        project().setUnmodified();
        const QString name = project().groupName(c.deleted);
        ScriptedPrompter s;
        s.answer(u"Do you really want to delete ["_s + name + u']', Prompter::Yes); // No: the lists' test
        groupCmds.popDelGroupClick();
        EXPECT_FALSE(groupNames().contains(name));
        EXPECT_EQ(project().activeGroup(), c.activeAfter);
        EXPECT_EQ(host.addressedGroup(), c.activeAfter)
            << "the current group, not a remembered index that is gone";
        EXPECT_TRUE(project().isModified());
    }
}

TEST_F(Commands, OptionPageLoadsTheChosenLanguageAndGivesTheChosenFontToTheWindowAndTheDialogs)
{
    for (const char* name : {"English.lng", "chinese.lng"})
        test::writeAll(c(u"Delphi7/"_s + QString::fromUtf8(name)), "[pop]\nAdd=x\n");
    OptionCommands options(host);
    QFont arial(u"Arial"_s, 10);
    arial.setBold(true);
    ScriptedPrompter prompts; // cancelling either dialog is the window's Option page test
    prompts.chooseLanguage(u"chinese"_s).chooseFont(arial);
    options.RzButtonLangClick();
    options.RzBitBtnFontClick();
    EXPECT_EQ(prompts.languageLists()[0], (QStringList{u"chinese"_s, u"English"_s}))
        << "the languages beside the IDE";
    EXPECT_EQ(host.loadedLanguages(), QStringList{u"chinese"_s});
    EXPECT_EQ(host.displayFont(), arial);
    for (const auto* state :
         {&host.dialogs().input.font, &host.dialogs().fileList.font, &host.dialogs().language.font})
        EXPECT_EQ(*state, arial);
}

TEST(EditingRules, NamesAndFoldersOfWindowsPaths)
{
    EXPECT_EQ(baseName(u"D:\\x\\archive.tar.gz"_s), u"archive.tar"_s);
    EXPECT_EQ(folderOf(u"C:\\a.bpl"_s), u"C:\\"_s) << "a drive's root keeps its backslash";
}

} // namespace
