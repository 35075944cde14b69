#include "editing/GroupCommands.h"
#include "platform/ini/IniFile.h"
#include "project/ProjectFile.h"
#include "support/FakeEditingHost.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::editing;
using vx::test::FakeEditingHost;
using vx::test::ScriptedPrompter;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));

// A prefix whose drive C holds DelphiRoot C:\Delphi7\ with Components\Standard; the window
// stand-in has three groups, Standard active, and an open project.
class GroupCommandsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString prefix = dir.filePath(u"prefix"_s);
    QString root = prefix + u"/drive_c/Delphi7"_s;
    std::unique_ptr<FakeEditingHost> host;
    std::unique_ptr<GroupCommands> cmd;

    void SetUp() override
    {
        for (const QString& d : QStringList{root + u"/Components/Standard"_s, root + u"/Source"_s, root + u"/Bin"_s, prefix + u"/dosdevices"_s})
            QDir().mkpath(d);
        QFile::link(u"../drive_c"_s, prefix + u"/dosdevices/c:"_s);
        QFile::link(u"/"_s, prefix + u"/dosdevices/z:"_s);
        host = std::make_unique<FakeEditingHost>(u"C:\\Delphi7\\"_s, prefix);
        host->setHostRoot(root);
        cmd = std::make_unique<GroupCommands>(*host);
        ConfigProject& p = project();
        p.addGroup(u"Standard"_s).add({u"Std"_s, u"$(Delphi)\\Bin\\dclstd70.bpl"_s, {}, {}, false});
        p.addGroup(u"Extra"_s).add({u"Other"_s, u"Z:\\opt\\pkgs\\other.bpl"_s, {}, {}, true});
        p.addGroup(u"Missing"_s);
        p.setActiveGroup(0);
        p.setOpen(true);
    }
    ConfigProject& project() { return host->project(); }
    QStringList groupNames()
    {
        QStringList names;
        for (int g = 0; g < project().groupCount(); ++g)
            names << project().groupName(g);
        return names;
    }
};

TEST_F(GroupCommandsTest, AddGroupRefusesReservedDuplicateAndUnstorableNamesAndAsksAgain)
{
    ScriptedPrompter s;
    s.type(u" Lead"_s).answer(u"Group name is not vavil."_s, Prompter::Yes);
    s.type(u"configdata"_s).answer(u"Group name is not vavil."_s, Prompter::Yes);
    s.type(u"DELPHIEXPERTS"_s).answer(u"Group name is not vavil."_s, Prompter::Yes);
    s.type(u"standard"_s).answer(u"<standard> has already exist"_s, Prompter::Ok);
    s.type(u"Two\nLines"_s).answer(u"line break"_s, Prompter::Ok);
    s.type(u"New [old]"_s);
    cmd->popAddGroupClick();

    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"Extra"_s, u"Missing"_s, u"New [old]"_s}));
    EXPECT_EQ(project().activeGroup(), 3);
    EXPECT_TRUE(project().isModified());
    ASSERT_EQ(s.inputs().size(), 6u);
    EXPECT_EQ(s.inputs()[0].title, u"Input Group Name"_s);
    EXPECT_EQ(s.inputs()[0].mode, 1);
    EXPECT_EQ(s.messages()[0].buttons, Prompter::Yes);
}

TEST_F(GroupCommandsTest, RenameActsOnTheAddressedGroupAndAcceptsItsOwnName)
{
    ScriptedPrompter s;
    cmd->popModifyGroupClick(); // nothing addressed: nothing asked
    host->setAddressedGroup(1);
    s.type(u"DelphiTools"_s).answer(u"Group name is not avail"_s, Prompter::Yes);
    s.type(u"STANDARD"_s).answer(u"<STANDARD> has already exist"_s, Prompter::Ok);
    s.type(u"EXTRA"_s);
    cmd->popModifyGroupClick();
    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"EXTRA"_s, u"Missing"_s}));
}

TEST_F(GroupCommandsTest, DeleteGroupKeepsTheActivePageAndOtherRows)
{
    project().addGroup(u"Fourth"_s);
    project().setActiveGroup(3);
    host->setAddressedGroup(1);
    {
        ScriptedPrompter s;
        s.answer(u"[Extra]"_s, Prompter::No);
        cmd->popDelGroupClick();
        EXPECT_EQ(project().groupCount(), 4);
    }
    {
        ScriptedPrompter s;
        s.answer(u"Do you really want to delete [Extra]"_s, Prompter::Yes);
        cmd->popDelGroupClick();
    }
    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"Missing"_s, u"Fourth"_s}));
    EXPECT_EQ(project().activeGroup(), 2);
    EXPECT_EQ(host->addressedGroup(), 2) << "the current group, not a remembered index that is gone";
    EXPECT_FALSE(project().group(0).row(0).selected);
    EXPECT_TRUE(project().isModified());

    // The active last group goes: the new last one becomes active.
    host->setAddressedGroup(2);
    ScriptedPrompter s;
    s.answer(u"[Fourth]"_s, Prompter::Yes);
    cmd->popDelGroupClick();
    EXPECT_EQ(groupNames(), (QStringList{u"Standard"_s, u"Missing"_s}));
    EXPECT_EQ(project().activeGroup(), 1);
}

TEST_F(GroupCommandsTest, AddComponentOpensInTheGroupsFolderAndStoresMacroPaths)
{
    ScriptedPrompter s;
    s.chooseOpen(root + u"/Bin/dclnet70.bpl"_s).type({}).chooseFolder(root + u"/Source"_s).type(u"net note"_s);
    cmd->popAddCompClick();

    EXPECT_EQ(s.starts().at(0), root + u"/Components/Standard"_s);
    EXPECT_EQ(s.filters().at(0), u"Component File(*.bpl)|*.bpl"_s);
    EXPECT_EQ(s.inputs().at(0).title, u"Component"_s);
    EXPECT_EQ(s.inputs().at(0).mode, 2);
    EXPECT_EQ(s.folders().at(0), root + u"/Bin"_s);
    EXPECT_EQ(s.inputs().at(1).title, u"Note"_s);
    const ComponentListModel& list = project().group(0);
    ASSERT_EQ(list.count(), 2);
    const int row = host->selectedRow(list);
    const ComponentEntry e = list.entry(row);
    EXPECT_EQ(e.name, u"dclnet70"_s);
    EXPECT_EQ(e.file, u"$(Delphi)\\Bin\\dclnet70.bpl"_s);
    EXPECT_EQ(e.includePath, u"$(Delphi)\\Source"_s);
    EXPECT_EQ(e.note, u"net note"_s);
    EXPECT_TRUE(e.selected);
    EXPECT_EQ(e.image, 12);
    EXPECT_FALSE(list.row(1 - row).selected); // the other row keeps its check state

    // A group without a folder of its own opens at the nearest existing one; a cancelled folder
    // dialog leaves the include path empty.
    project().setActiveGroup(2);
    ScriptedPrompter t;
    t.chooseOpen(u"/opt/new.bpl"_s).type(u"New"_s).chooseFolder({}).type({});
    cmd->popAddCompClick();
    EXPECT_EQ(t.starts().at(0), root + u"/Components"_s);
    EXPECT_EQ(project().group(2).entry(0).file, u"Z:\\opt\\new.bpl"_s);
    EXPECT_EQ(project().group(2).entry(0).includePath, QString());
}

TEST_F(GroupCommandsTest, PackagePresentInAnyGroupIsRefusedInEveryOther)
{
    project().setActiveGroup(2);
    ScriptedPrompter s;
    s.chooseOpen(root + u"/BIN/DCLSTD70.BPL"_s).answer(u"[C:\\Delphi7\\BIN\\DCLSTD70.BPL] has already exist"_s, Prompter::Ok);
    s.chooseOpen(u"/opt/pkgs/OTHER.bpl"_s).answer(u"[Z:\\opt\\pkgs\\OTHER.bpl]"_s, Prompter::Ok);
    s.chooseOpen({});
    cmd->popAddCompClick();
    EXPECT_EQ(project().group(2).count(), 0);

    // Modify may keep the selected row's own file, but not take another group's.
    project().setActiveGroup(1);
    host->selectRow(project().group(1), 0);
    host->dialogs().input.mode = 4;
    ScriptedPrompter m;
    m.chooseOpen(root + u"/bin/dclstd70.bpl"_s).answer(u"has already exist"_s, Prompter::Ok);
    m.chooseOpen(u"/opt/pkgs/other.bpl"_s).type(u"Renamed"_s).chooseFolder({}).type(u"n"_s);
    cmd->popModifyCompClick();
    EXPECT_EQ(m.starts().at(0), root + u"/Components"_s);
    EXPECT_EQ(m.inputs().at(0).mode, 2) << "Modify sets its own mode, whatever an earlier prompt left";
    EXPECT_EQ(project().group(1).entry(0).name, u"Renamed"_s);
    EXPECT_EQ(project().group(1).entry(0).file, u"Z:\\opt\\pkgs\\other.bpl"_s);
}

TEST_F(GroupCommandsTest, MissingGroupListEndsAddWithSystemErrorAndChangesNothing)
{
    host->loseGroupList(1);
    ScriptedPrompter s;
    s.chooseOpen(root + u"/Bin/x.bpl"_s).answer(u"occur system error, please restart."_s, Prompter::Ok);
    cmd->popAddCompClick();
    EXPECT_EQ(s.messages().at(0).title, u"system error"_s);
    EXPECT_TRUE(s.messages().at(0).text.contains(u"ListViewComp2"_s));
    EXPECT_EQ(project().group(0).count(), 1);
    EXPECT_FALSE(project().isModified());
}

TEST_F(GroupCommandsTest, DeleteComponentAndSelectAll)
{
    ComponentListModel& list = project().group(0);
    list.add({u"Another"_s, u"C:\\x.bpl"_s, {}, {}, true});
    host->selectRow(list, list.count() - 1); // "Std" sorts after "Another"
    ScriptedPrompter s;
    s.answer(u"[Std] ?"_s, Prompter::No).answer(u"[Std] ?"_s, Prompter::Yes);
    cmd->popDelCompClick();
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(s.messages().at(0).title, u"Confirm Delete"_s);
    project().setUnmodified();
    cmd->popDelCompClick();
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.entry(0).name, u"Another"_s);
    EXPECT_EQ(host->notifications(), 1);
    EXPECT_TRUE(project().isModified());

    cmd->popunSelAllCompClick();
    EXPECT_EQ(list.selectedCount(), 0);
    EXPECT_EQ(project().group(1).selectedCount(), 1);
    cmd->popSelAllGrpClick();
    EXPECT_EQ(project().selectedComponentCount(), project().componentCount());
    cmd->popunSelAllGrpClick();
    EXPECT_EQ(project().selectedComponentCount(), 0);
}

TEST(GroupCommands, SelectAllWithoutGroupsDoesNothing)
{
    FakeEditingHost host;
    GroupCommands cmd(host);
    host.project().setOpen(true);
    int counts = 0;
    QObject::connect(&host.project(), &ConfigProject::countsChanged, [&] { ++counts; });
    ScriptedPrompter s;
    cmd.popSelAllGrpClick();
    cmd.popSelAllCompClick();
    cmd.popAddCompClick();
    cmd.popDelGroupClick();
    EXPECT_EQ(counts, 0);
    EXPECT_FALSE(host.project().isModified());
}

TEST_F(GroupCommandsTest, CellHintShowsTheColumnUnderThePress)
{
    ComponentListModel& list = project().group(0);
    list.setText(0, 2, u"$(Delphi)\\Source"_s);
    cmd->componentMouseDown(list, 10);
    EXPECT_EQ(host->hint(list), QString()); // no selected row
    host->selectRow(list, 0);
    cmd->componentMouseDown(list, 10);
    EXPECT_EQ(host->hint(list), u"Std"_s);
    cmd->componentMouseDown(list, 128 + 100 + 5);
    EXPECT_EQ(host->pane(), u"$(Delphi)\\Source"_s);
}

// The names the prompt refuses are exactly those that do not come back from a project file.
TEST(GroupNames, RefusedNamesAreThoseAProjectFileDoesNotReadBack)
{
    const QStringList refused{u"a\nb"_s, u"a\rb"_s, u"trail "_s, u"\tlead"_s, u"a"_s + QChar(0xD800) + u"b"_s};
    const QStringList kept{u"Lib [old]"_s, u"a]b"_s, u"[x"_s, u"k=v"_s, u";note"_s, u"\"quoted\""_s,
                           u"tab\tinside"_s, QString(5000, u'x'), u"\u00c4rger"_s};
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.vx7"_s);
    const auto roundTrips = [&](const QString& name) {
        ConfigProject p;
        p.addGroup(name).add({u"Pkg"_s, u"C:\\p.bpl"_s, {}, {}, true});
        IniFile store(path);
        saveProject(p, store, kNow);
        ConfigProject back;
        readProject(IniFile(path), back, PathMacro(u"C:\\Delphi7\\"_s), {nullptr, kNow, {}});
        return back.groupCount() == 1 && back.groupName(0) == name && back.group(0).count() == 1;
    };
    for (const QString& name : refused + kept) {
        const bool storable = kept.contains(name);
        EXPECT_EQ(unstorableGroupNameReason(name).isEmpty(), storable) << name.toStdString();
        EXPECT_EQ(roundTrips(name), storable) << name.toStdString();
    }
}

TEST_F(GroupCommandsTest, ProjectSavedAfterGroupEditsHoldsWhatTheCommandsMade)
{
    host->setAddressedGroup(2);
    {
        ScriptedPrompter s;
        s.type(u"Lib [old]"_s);
        cmd->popModifyGroupClick();
        s.type(u"a=b;c"_s);
        cmd->popAddGroupClick();
        s.chooseOpen(root + u"/Bin/dclnet70.bpl"_s).type(u"Net"_s).chooseFolder(root + u"/Source"_s).type({});
        cmd->popAddCompClick();
        host->setAddressedGroup(1);
        s.answer(u"[Extra]"_s, Prompter::Yes);
        cmd->popDelGroupClick();
    }
    const QString path = dir.filePath(u"edited.vx7"_s);
    IniFile store(path);
    saveProject(project(), store, kNow);

    const IniFile f(path);
    EXPECT_FALSE(f.hasSection(u"Extra"_s));
    const char16_t* const expected[][3] = {
        {u"DelphiCompGroups", u"num", u"3"}, {u"DelphiCompGroups", u"Group1", u"Standard"},
        {u"DelphiCompGroups", u"Group2", u"Lib [old]"}, {u"DelphiCompGroups", u"Group3", u"a=b;c"},
        {u"ConfigData", u"page", u"2"}, {u"a=b;c", u"num", u"1"}, {u"a=b;c", u"CompName1", u"Net"},
        {u"a=b;c", u"CompFile1", u"$(Delphi)\\Bin\\dclnet70.bpl"}, {u"a=b;c", u"CompPath1", u"$(Delphi)\\Source"},
        {u"a=b;c", u"CompNote1", u"dclnet70"}, {u"a=b;c", u"CompSel1", u"1"}, {u"Standard", u"CompSel1", u"0"}};
    for (const auto& [section, key, value] : expected)
        EXPECT_EQ(f.readString(QString::fromUtf16(section), QString::fromUtf16(key)), QString::fromUtf16(value))
            << QString::fromUtf16(section).toStdString() << '/' << QString::fromUtf16(key).toStdString();
}

} // namespace
