#include "platform/registry/RegistryStore.h"
#include "support/FakeCommandHost.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;

namespace {

const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;

class RegistryCommandsTest : public test::CommandHostFixture
{
  protected:
    QStringList contents() const { return test::registryContents(HiveRegistryStore(sb.prefix)); }
    QByteArray userReg() const { return test::readAll(sb.prefix + u"/user.reg"_s); }
    void clear()
    {
        prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(u"cleared"_s, Prompter::Ok);
        registry.RzBitBtnClearRegClick();
    }
    void importFile(const QString& file, const QString& answer)
    {
        prompts.answer(u"import a registry file"_s, Prompter::Yes)
            .chooseOpen(file)
            .answer(answer, Prompter::Ok);
        registry.RzBitBtnImportRegClick();
    }
};

TEST_F(RegistryCommandsTest, GetDelphiCapturesIntoANewModifiedProject)
{
    prompts.chooseSave(dir.filePath(u"Captured.vx7"_s));
    registry.RzBitBtnDelphi7ProjectClick();
    ConfigProject& p = host.project();
    ASSERT_TRUE(p.isOpen());
    EXPECT_TRUE(p.isModified());
    // What the registry holds (tested row by row in tests/delphireg), without a new project's
    // three default search path rows.
    EXPECT_EQ(p.searchPath().count(), 5);
    EXPECT_EQ(host.shownPage, app::Page::Projects);
}

// Apply's question says what Apply will change (the preview's wording is tests/delphireg's) before
// anything is written.
TEST_F(RegistryCommandsTest, ApplyAsksWithThePreviewOfItsChangesAndWritesTheSelection)
{
    const QByteArray before = userReg();
    prompts.answer(u"Old project will be overwrite!\n\nDo you really want to apply it to Delphi?\n\n"
                   u"Apply makes 2 expert changes"_s,
                   Prompter::Cancel);
    registry.RzBitBtnApplyProjectClick();
    EXPECT_TRUE(prompts.messages().back().details.contains(u"HKEY_CURRENT_USER\\"_s + kD7));
    EXPECT_EQ(userReg(), before) << "Cancel changes nothing";

    prompts.answer(u"Do you really want to apply it to Delphi?"_s, Prompter::Ok)
        .answer(u"Apply success."_s, Prompter::Ok);
    registry.RzBitBtnApplyProjectClick();
    EXPECT_EQ(host.status, u"Apply success. Please restart Delphi to make changes take effect."_s);
    EXPECT_NE(userReg(), before);
}

TEST_F(RegistryCommandsTest, ImportIsAllOrNothingAndSaysSo)
{
    // The HKEY_CURRENT_USER lines come first; the HKEY_LOCAL_MACHINE line reaches a system.reg that
    // Wine would refuse. Nothing may be committed, and the message must not claim otherwise.
    const QByteArray user = userReg();
    const QByteArray broken = "\xef\xbb\xbf" + test::readAll(sb.prefix + u"/system.reg"_s);
    test::writeAll(sb.prefix + u"/system.reg"_s, broken);
    const QString file = dir.filePath(u"both.reg"_s);
    test::writeAll(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"a\"=\"1\"\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n");
    importFile(file, u"Nothing was imported; the registry was not changed."_s);
    EXPECT_EQ(userReg(), user);
    EXPECT_EQ(test::readAll(sb.prefix + u"/system.reg"_s), broken);
}

// A clear by mistake is undone from the history, or imported back from a backup. What a backup
// holds, and that an undo can be undone in turn, are tests/delphireg's and the CLI's; here the
// commands reach them and say what they did.
TEST_F(RegistryCommandsTest, ClearIsUndoneFromTheHistoryOrImportedFromABackup)
{
    registry.updateUndoButton();
    EXPECT_FALSE(host.undoEnabled) << "no snapshot yet";
    prompts.answer(u"back up"_s, Prompter::Yes)
        .chooseSave(dir.filePath(u"backup.txt"_s))
        .answer(u"Backup registry Ok."_s, Prompter::Ok);
    registry.RzBitBtnBackupRegClick();
    const QString file = dir.filePath(u"backup.reg"_s); // always a .reg file
    ASSERT_TRUE(QFile::exists(file));

    const QStringList before = contents();
    prompts.answer(u"Choice Yes will delete all exists Delphi registry items."_s, Prompter::No);
    registry.RzBitBtnClearRegClick();
    EXPECT_EQ(contents(), before);
    clear();
    registry.updateUndoButton();
    const QStringList cleared = contents();
    ASSERT_NE(cleared, before);
    EXPECT_TRUE(host.undoEnabled);

    prompts.chooseItem(-1); // cancelling the list changes nothing
    registry.RzBitBtnUndoRegClick();
    EXPECT_EQ(contents(), cleared);
    prompts.chooseItem(0).answer(u"back as it was"_s, Prompter::Ok);
    registry.RzBitBtnUndoRegClick();
    EXPECT_EQ(contents(), before);
    EXPECT_TRUE(prompts.choiceLists().back()[0].endsWith(u"before clear"_s));

    clear();
    importFile(file, u" values, 0 deletions imported."_s);
}

} // namespace
