// The environment commands from the Option page: helper folders, the database engine switch,
// the default configuration with its registration and shortcuts, the runtime-file copy.

#include "delphireg/RegistryAccess.h"
#include "delphireg/Snapshots.h"
#include "platform/registry/RegistryStore.h"
#include "support/FakeWine.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QDir>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class EnvironmentCommandsTest : public test::MainWindowFixture
{
  protected:
    void click(app::TFormMain& w, const QString& name) { child<QAbstractButton>(w, name)->click(); }
};

TEST_F(EnvironmentCommandsTest, HelperFoldersEndWithABackslashAndCancelKeepsThem)
{
    auto w = start();
    const QString sdkBefore = text(*w, u"RzLabelWinSDK"_s);
    prompts.chooseFolder({});
    click(*w, u"RzButtonWinSDK"_s);
    EXPECT_EQ(text(*w, u"RzLabelWinSDK"_s), sdkBefore);
    prompts.chooseFolder(sb.delphiHost + u"/Help"_s);
    click(*w, u"RzButtonWinSDK"_s);
    EXPECT_EQ(text(*w, u"RzLabelWinSDK"_s), sb.delphiRoot + u"Help\\"_s);

    prompts.chooseOpen(sb.delphiHost + u"/bin/bordbk70.dll"_s);
    click(*w, u"RzBitBtnBordbk"_s);
    EXPECT_EQ(text(*w, u"LabelBordbk"_s), sb.delphiRoot + u"bin\\"_s);

    // The switch only offers or withholds the folder; its text stays.
    auto* bde = child<QCheckBox>(*w, u"RzCheckBoxBDEen"_s);
    bde->setChecked(true);
    bde->click();
    EXPECT_FALSE(child<QWidget>(*w, u"RzButtonBDEpath"_s)->isEnabled());
    EXPECT_FALSE(child<QWidget>(*w, u"LabelBDEpath"_s)->isEnabled());
}

TEST_F(EnvironmentCommandsTest, RecoverWritesTheDefaultsThenRegistersAndMakesShortcuts)
{
    auto w = start();
    const QString d7 = u"Software\\Borland\\Delphi\\7.0"_s;
    const QByteArray userBefore = test::readAll(sb.prefix + u"/user.reg"_s);
    prompts.answer(u"Choice Yes will delete"_s, Prompter::No);
    click(*w, u"RzBitBtnRecover"_s);
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userBefore) << "No changes nothing";

    test::FakeWine wine(true);
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes)
        .answer(u"register bordbk70.dll success"_s, Prompter::Ok)
        .answer({}, Prompter::Ok);
    click(*w, u"RzBitBtnRecover"_s);
    const HiveRegistryStore after(sb.prefix);
    EXPECT_EQ(after.value(RegRoot::CurrentUser, d7 + u"\\Transfer"_s, u"Title3"_s)->text(),
              u"Ra&ve Designer"_s);
    EXPECT_EQ(after.valueNames(RegRoot::CurrentUser, d7 + u"\\Experts"_s), QStringList{u"ExptDemo"_s});
    EXPECT_EQ(wine.calls().value(1), u"regsvr32"_s);
    EXPECT_TRUE(QFileInfo::exists(sb.prefix + u"/drive_c/users/demo/Desktop/Delphi7.lnk"_s));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"data/applications/vorlix7-delphi7.desktop"_s)));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"home/Desktop/Delphi7.desktop"_s)));

    // The keys it replaced were saved first, the help and database engine keys with the trees.
    const std::optional<SnapshotInfo> snapshot = SnapshotStore(sb.prefix).newest();
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->operation, SnapshotOperation::Recover);
    const ParsedSnapshot parsed = parseSnapshot(test::readAll(snapshot->file), snapshot->file);
    EXPECT_EQ(parsed.covered, keysWrittenBy(SnapshotOperation::Recover));
    QCoreApplication::processEvents(); // the undo button is updated once the command has run
    EXPECT_TRUE(child<QAbstractButton>(*w, u"RzBitBtnUndoReg"_s)->isEnabled());
}

TEST_F(EnvironmentCommandsTest, RecoverThatCannotCommitLeavesBothHivesAsTheyWere)
{
    auto w = start();
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);
    const QByteArray system = test::readAll(sb.prefix + u"/system.reg"_s);
    test::makeReadOnly(sb.prefix + u"/system.reg"_s);
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes)
        .answer(u"The registry was not changed."_s, Prompter::Ok);
    click(*w, u"RzBitBtnRecover"_s);
    EXPECT_TRUE(prompts.messages().back().text.contains(u"system.reg"_s))
        << prompts.messages().back().text.toStdString();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
    EXPECT_EQ(test::readAll(sb.prefix + u"/system.reg"_s), system);
}

TEST_F(EnvironmentCommandsTest, CopyAsksWithTheFileListAndStopsAtTheFirstMissingFile)
{
    auto w = start();
    QDir().mkpath(sb.prefix + u"/drive_c/windows/syswow64"_s);
    test::writeAll(sb.prefix + u"/drive_c/windows/syswow64/adortl70.bpl"_s, "rtl");
    prompts.confirmFileList(false);
    click(*w, u"RzBitBtnCopyFiles"_s);
    EXPECT_EQ(prompts.fileListLabels().back(),
              u"Copy these files from <C:\\windows\\syswow64> to <"_s + sb.delphiRoot + u"Bin>."_s);
    EXPECT_FALSE(QFileInfo::exists(sb.delphiHost + u"/bin/adortl70.bpl"_s));

    prompts.confirmFileList(true).answer(u"Copy file [C:\\windows\\syswow64\\AMERICAN.VTD] Error!"_s,
                                         Prompter::Ok);
    click(*w, u"RzBitBtnCopyFiles"_s);
    EXPECT_EQ(test::readAll(sb.delphiHost + u"/bin/adortl70.bpl"_s), "rtl");
}

} // namespace
