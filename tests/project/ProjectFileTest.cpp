#include "project/ProjectFile.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/ini/IniFile.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::readAll;
using vx::test::writeAll;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0, 0));

class ProjectFileTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    PathMacro macro{u"C:\\D7\\"_s};

    QString path(const QString& name = u"p.vx7"_s) const { return dir.filePath(name); }

    void reread(ConfigProject& p)
    {
        IniFile ini(path());
        readProject(ini, p, macro, {nullptr, kNow, {}});
    }
    void read(const QByteArray& content, ConfigProject& p)
    {
        writeAll(path(), content);
        reread(p);
    }
};

TEST_F(ProjectFileTest, ReaderDefaultsAndQuirks)
{
    ConfigProject p;
    read("[DelphiExperts]\nNum=3\nExpertName1=One\nExpertFile1=C:\\D7\\Experts\\one.dll\nExpertSel1=0\n"
         "[DelphiTools]\nnum=2\nTitle2=Second\nSel2=1\n"
         "[DelphiCompGroups]\nnum=3\nGroup1=Std\nGroup2=\nGroup3=Extra\n"
         "[Std]\nnum=2\nCompName1=b\nCompName2=a\nCompFile2=$(DELPHI)\\Bin\\a.bpl\nCompPath2=  "
         "C:\\D7\\Source  \n"
         "[Extra]\nnum=1\nCompName1=x\nCompSel1=0\nColumns0=50\nSortColumn=2\nSortDirect=1\n"
         "[ConfigData]\nDay=-4\nRun=9\nTimeSum=1:02:03\nLastTime=2026-01-02\nLastRun=garbage\n"
         "DefaultPath=C:\\D7\\Lib;;D:\\x;\n",
         p);
    ASSERT_EQ(p.experts().count(), 3);
    EXPECT_EQ(p.experts().entry(0).file, u"$(Delphi)\\Experts\\one.dll"_s);
    EXPECT_FALSE(p.experts().entry(0).selected);
    EXPECT_TRUE(p.experts().entry(2).selected) << "a missing ExpertSel means selected";

    ASSERT_EQ(p.tools().count(), 2);
    EXPECT_EQ(p.tools().entry(0).title, u"Tool1"_s);
    EXPECT_EQ(p.tools().entry(0).program, u"Path1"_s);
    EXPECT_FALSE(p.tools().entry(0).selected) << "a missing Sel means not selected";

    ASSERT_EQ(p.groupCount(), 2) << "the empty group name is skipped";
    EXPECT_EQ(p.group(0).entry(0).name, u"a"_s);
    EXPECT_EQ(p.group(0).entry(0).file, u"$(DELPHI)\\Bin\\a.bpl"_s) << "macro form stays as written";
    EXPECT_EQ(p.group(0).entry(0).includePath, u"C:\\D7\\Source"_s) << "include path is not shortened";
    EXPECT_EQ(p.group(1).viewSettings(), (ListViewSettings{{50, 100, 100, 100}, 2, 1}));

    EXPECT_EQ(p.statistics().days, 0);
    EXPECT_EQ(p.statistics().lastTime, QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
    EXPECT_EQ(p.statistics().lastRunMs, 0);
    EXPECT_EQ(p.searchPath().rows(), (QStringList{u""_s, u"$(Delphi)\\Lib"_s, u"D:\\x"_s}));
}

TEST_F(ProjectFileTest, NumbersOutOfRangeAreBounded)
{
    const QByteArray groups = "[DelphiCompGroups]\nnum=3\nGroup1=A\nGroup2=B\nGroup3=C\n[ConfigData]\npage=";
    for (const auto& [page, active] :
         std::vector<std::pair<QByteArray, int>>{{"1", 1}, {"3", 2}, {"-1", 2}, {"x", 0}}) {
        ConfigProject p;
        read(groups + page + "\n", p);
        EXPECT_EQ(p.activeGroup(), active) << page.constData();
    }

    // Damaged counts load in bounded time.
    ConfigProject p;
    read("[DelphiExperts]\nnum=2000000000\nExpertName1=a\nExpertName3=c\n[DelphiCompGroups]\nnum=2000000000\n"
         "[DelphiTools]\nNum=2147483647\nTitle1000=t\n[ConfigData]\nsum=2147483647\n",
         p);
    EXPECT_EQ(p.experts().count(), 3 + kCountSlack);
    EXPECT_EQ(p.experts().entry(2).name, u"c"_s);
    EXPECT_EQ(p.groupCount(), 0) << "no names: every group is skipped";
    EXPECT_EQ(p.tools().count(), 1000 + kCountSlack);
}

// Everything a reader puts into a project: every row's texts and check, each list's layout, the
// search path and the active group; a line each.
QString dump(const ConfigProject& p)
{
    QStringList out;
    const auto list = [&](const QString& title, const EntryListModel& m) {
        out << title + u' ' + QString::number(m.viewSettings().sortColumn) + u'/' +
                   QString::number(m.viewSettings().sortDirect);
        for (int w : m.viewSettings().columnWidths)
            out.last() += u',' + QString::number(w);
        for (int r = 0; r < m.count(); ++r)
            out << m.row(r).texts.join(u'|') + u'|' + QString::number(m.row(r).selected);
    };
    list(u"experts"_s, p.experts());
    for (int g = 0; g < p.groupCount(); ++g)
        list(u"group "_s + p.groupName(g), p.group(g));
    list(u"tools"_s, p.tools());
    out << p.searchPath().joined() + u' ' + QString::number(p.activeGroup());
    return out.join(u'\n');
}

// Builds the project the golden file below describes.
void fillSample(ConfigProject& p)
{
    p.experts().add({u"GExperts"_s, u"$(Delphi)\\Experts\\GExperts.dll"_s, u"code tools"_s, true});
    ComponentListModel& std = p.addGroup(u"Standard"_s);
    std.add({u"Indy"_s, u"$(Delphi)\\Bin\\dclIndy70.bpl"_s, u"$(Delphi)\\Source\\Indy"_s, {}, true});
    std.add({u"Decision Cube"_s, u"$(Delphi)\\Bin\\dss70.bpl"_s, {}, u"unused"_s, false});
    p.setActiveGroup(0);
    p.tools().add(
        {u"Image Editor"_s, u"$(Delphi)\\Bin\\imagedit.exe"_s, u"$(Delphi)\\Bin\\"_s, u"-x"_s, true});
    p.searchPath().addPaths({u"$(Delphi)\\Lib"_s, u"$(Delphi)\\Bin"_s});
    p.statistics().runCount = 5;
    p.statistics().timeSumMs = 3600 * 1000;
    p.statistics().days = 2;
    p.statistics().beginTime = kNow.addSecs(-90);
}

const char* const kGolden =
    "[ConfigData]\r\n"
    "LastRun=0:01:30\r\n"
    "LastTime=2026-12-06 10:00:00\r\n"
    "TimeSum=1:01:30\r\n"
    "page=0\r\n"
    "sum=2\r\n"
    "Run=5\r\n"
    "Day=2\r\n"
    "DefaultPath=$(Delphi)\\Bin;$(Delphi)\\Lib\r\n"
    "[Standard]\r\n"
    "Columns0=128\r\nColumns1=100\r\nColumns2=100\r\nColumns3=100\r\nSortColumn=-1\r\nSortDirect=0\r\n"
    "num=2\r\n"
    "CompName1=Decision Cube\r\nCompFile1=$(Delphi)\\Bin\\dss70.bpl\r\nCompPath1=\r\n"
    "CompNote1=unused\r\nCompSel1=0\r\n"
    "CompName2=Indy\r\nCompFile2=$(Delphi)\\Bin\\dclIndy70.bpl\r\n"
    "CompPath2=$(Delphi)\\Source\\Indy\r\nCompNote2=\r\nCompSel2=1\r\n"
    "[DelphiExperts]\r\n"
    "num=1\r\n"
    "ExpertName1=GExperts\r\nExpertFile1=$(Delphi)\\Experts\\GExperts.dll\r\n"
    "ExpertNote1=code tools\r\nExpertSel1=1\r\n"
    "Columns0=100\r\nColumns1=264\r\nColumns2=248\r\nSortColumn=-1\r\nSortDirect=0\r\n"
    "[DelphiCompGroups]\r\n"
    "num=1\r\nGroup1=Standard\r\n"
    "[DelphiTools]\r\n"
    "Num=1\r\n"
    "Title1=Image Editor\r\nPath1=$(Delphi)\\Bin\\imagedit.exe\r\nWorkingDir1=$(Delphi)\\Bin\\\r\n"
    "Params1=-x\r\nSel1=1\r\n"
    "Columns0=120\r\nColumns1=180\r\nColumns2=180\r\nColumns3=132\r\nSortColumn=-1\r\nSortDirect=0\r\n";

TEST_F(ProjectFileTest, SaveWritesTheGoldenFileAndReadsItBack)
{
    ConfigProject p;
    fillSample(p);
    IniFile store(path());
    std::vector<QString> texts;
    saveProject(p, store, kNow, [&](const ProgressEvent& e) { texts.push_back(progressText(e)); });
    EXPECT_EQ(readAll(path()), QByteArray(kGolden));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], u"Saving Component 25% : [Standard:Decision Cube]"_s);

    ConfigProject back;
    reread(back);
    EXPECT_EQ(dump(back), dump(p));
    EXPECT_EQ(std::pair(back.statistics().runCount, back.statistics().days), std::pair(5, 2));
}

TEST_F(ProjectFileTest, SaveOverAnOldFileDropsItsGroupsAndKeepsABackup)
{
    const QByteArray old = "[DelphiCompGroups]\r\nnum=1\r\ngroup1=Gone\r\n[Gone]\r\nnum=1\r\nCompName1=x\r\n";
    writeAll(path(u"Work"_s), old);
    ConfigProject p;
    p.addGroup(u"New"_s);
    IniFile store(path(u"Work"_s));
    saveProject(p, store, kNow, {});
    EXPECT_EQ(readAll(path(u"Work.vx7.bak"_s)), old) << "a name without extension gets .vx7.bak appended";
    EXPECT_FALSE(IniFile(path(u"Work"_s)).hasSection(u"Gone"_s));
    EXPECT_EQ(replaceExtension(u"/a.b/c"_s, u".vx7"_s), u"/a.b/c.vx7"_s);
    EXPECT_EQ(replaceExtension(u"/a/.hidden"_s, u".vx7"_s), u"/a/.hidden.vx7"_s);
}

// Refused before anything is touched: a read-only target, and a backup that cannot be made (a
// folder stands in its way), named in the error. (A write that fails later is the file layer's.)
TEST_F(ProjectFileTest, RefusedSavesKeepThePreviousContent)
{
    ConfigProject p;
    fillSample(p);
    const QByteArray previous = "[ConfigData]\r\nRun=3\r\n";
    writeAll(path(), previous);
    test::makeReadOnly(path());
    IniFile store(path());
    EXPECT_EQ(test::errorOf<FileWriteError>([&] { saveProject(p, store, kNow, {}); }),
              u"Unable to write to "_s + path());
    EXPECT_EQ(readAll(path()), previous);
    EXPECT_FALSE(QFile::exists(path(u"p.vx7.bak"_s)));

    const QString g = path(u"blocked.vx7"_s);
    writeAll(g, previous);
    QDir(dir.path()).mkpath(u"blocked.vx7.bak/inside"_s);
    IniFile blockedStore(g);
    EXPECT_EQ(test::errorOf<FileWriteError>([&] { saveProject(p, blockedStore, kNow, {}); }),
              u"Unable to write to "_s + g + u".bak"_s);
    EXPECT_EQ(readAll(g), previous);
}

TEST_F(ProjectFileTest, OpeningAnotherProjectStoresTheFirstOnesStatistics)
{
    writeAll(path(u"a.vx7"_s), "[ConfigData]\r\nRun=4\r\nTimeSum=0:10:00\r\n");
    writeAll(path(u"b.vx7"_s), kProjectFileHeader); // opens empty, its run counter advanced
    ConfigProject p;
    IniFile store;
    ASSERT_EQ(loadProject(p, store, path(u"a.vx7"_s), macro, {nullptr, kNow, {}}).outcome,
              LoadOutcome::Opened);
    p.markModified();
    const QDateTime later = kNow.addSecs(125);
    const LoadResult b = loadProject(p, store, path(u"b.vx7"_s), macro, {nullptr, later, {}});
    ASSERT_EQ(b.outcome, LoadOutcome::Opened);
    EXPECT_EQ(b.shownRun, 1);
    EXPECT_EQ(readAll(path(u"b.vx7"_s)), QByteArray(";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=2\r\n"));
    const IniFile a(path(u"a.vx7"_s));
    const std::pair<const char16_t*, const char16_t*> stored[] = {
        {u"Run", u"5"}, {u"LastRun", u"0:02:05"}, {u"TimeSum", u"0:12:05"}, {u"page", u"-1"}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(a.readString(u"ConfigData"_s, QString::fromUtf16(key)), QString::fromUtf16(value));
    EXPECT_FALSE(p.isModified());
    EXPECT_EQ(p.fileName(), path(u"b.vx7"_s));

    // A read-only or missing file: nothing opens, the name is remembered.
    test::makeReadOnly(path(u"a.vx7"_s));
    EXPECT_EQ(loadProject(p, store, path(u"a.vx7"_s), macro, {nullptr, later, {}}).outcome,
              LoadOutcome::MissingOrReadOnly);
    EXPECT_FALSE(p.isOpen());
    EXPECT_EQ(p.fileName(), path(u"a.vx7"_s));
}

TEST_F(ProjectFileTest, AGroupNamedLikeAnotherSectionSharesItWithoutCostingTheOtherLists)
{
    // A file holds one count per section: a group sharing the experts', the group list's or the
    // tools' section reads that list's count back, but every other list comes back whole, and a
    // group in [ConfigData], with which it shares no key, comes back whole as well.
    for (const QString& name :
         {u"configDATA"_s, u"delphiExperts"_s, u"DELPHICOMPGROUPS"_s, u"delphitools"_s}) {
        SCOPED_TRACE(name.toStdString());
        ConfigProject p;
        fillSample(p);
        ComponentListModel& clash = p.addGroup(name);
        for (int i = 1; i <= 4; ++i) // as many as no list of the sample has
            clash.add({u"c"_s + QString::number(i), u"D:\\c.bpl"_s, {}, {}, true});
        clash.setViewSettings({{1, 2, 3, 4}, 1, 1});
        IniFile store(path());
        saveProject(p, store, kNow, {});
        EXPECT_EQ(readAll(path()).toLower().count(QByteArray("[" + name.toLower().toUtf8() + "]")), 1);
        ConfigProject back;
        reread(back);
        if (name != u"configDATA"_s) {
            p.removeGroup(1);
            back.removeGroup(1);
        }
        EXPECT_EQ(dump(back), dump(p));
    }
}

TEST_F(ProjectFileTest, ReadingThatReleasesTheStoreReadsWhatReadingKeepingItReads)
{
    // Groups named like other sections, two groups of one name, names in other cases: every part
    // that is read again later must still be there when it is.
    const QByteArray file =
        "[ConfigData]\r\npage=1\r\nDefaultPath=$(Delphi)\\Lib\r\n"
        "[DelphiExperts]\r\nnum=1\r\nExpertName1=E\r\nCompName1=from experts\r\nnum=1\r\n"
        "[DelphiCompGroups]\r\nnum=6\r\nGroup1=delphiexperts\r\nGroup2=A\r\nGroup3=a\r\nGroup4="
        "DelphiTools\r\n"
        "Group5=ConfigData\r\nGroup6=delphicompgroups\r\n"
        "[A]\r\nnum=2\r\nCompName1=x\r\nCompName2=y\r\nColumns0=5\r\n"
        "[DelphiTools]\r\nNum=1\r\nTitle1=T\r\nCompName1=from tools\r\nnum=1\r\n";
    writeAll(path(), file);
    ConfigProject kept, released;
    reread(kept);
    IniFile store(path());
    readProjectReleasing(store, released, macro, {nullptr, kNow, {}});
    EXPECT_EQ(dump(released), dump(kept));

    // The store no longer holds the file: it refuses to write over it.
    EXPECT_TRUE(test::errorOf<OperationError>([&] {
                    store.writeString(u"ConfigData"_s, u"Run"_s, u"2"_s);
                }).contains(path()));
    EXPECT_EQ(readAll(path()), file);
}

} // namespace
