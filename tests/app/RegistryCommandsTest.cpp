#include "delphireg/RegistryAccess.h"
#include "platform/registry/RegistryStore.h"
#include "support/FakeCommandHost.h"
#include "support/FakeWine.h"
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
    QString value(RegRoot root, const QString& key, const QString& name) const
    {
        const HiveRegistryStore store(sb.prefix);
        const auto v = store.value(root, key, name);
        return v ? registryText(v->data) : u"<missing>"_s;
    }
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
    const QByteArray userBefore = userReg();
    const QString target = dir.filePath(u"Captured.vx7"_s);
    prompts.chooseSave(target);
    registry.RzBitBtnDelphi7ProjectClick();
    ConfigProject& p = host.project();
    ASSERT_TRUE(p.isOpen());
    EXPECT_TRUE(p.isModified());
    // What the registry holds (tested row by row in tests/delphireg), without a new project's
    // three default search path rows.
    EXPECT_EQ(p.searchPath().count(), 5);
    EXPECT_EQ(host.shownPage, app::Page::Projects);
    EXPECT_EQ(test::readAll(target), QByteArray(";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=2\r\n"));
    EXPECT_EQ(userReg(), userBefore) << "capture only reads";
}

// Apply's question says what Apply will change before anything is written, also where Get Delphi
// reads nothing: the palette layout goes.
TEST_F(RegistryCommandsTest, ApplyAsksWithThePreviewOfItsChangesAndWritesTheSelection)
{
    const QString palette = kD7 + u"\\Palette"_s;
    {
        HiveRegistryStore store(sb.prefix);
        store.createKey(RegRoot::CurrentUser, palette);
        store.setValue(RegRoot::CurrentUser, palette, RegValue::string(u"Standard"_s, u"TButton"_s));
        store.commit();
    }
    const QByteArray before = userReg();
    prompts.answer(u"Old project will be overwrite!\n\nDo you really want to apply it to Delphi?\n\n"
                   u"Apply makes 2 expert changes, 4 package changes, 14 tool changes, 1 search path change "
                   u"and 2 other value changes."_s,
                   Prompter::Cancel);
    registry.RzBitBtnApplyProjectClick();
    const QString details = prompts.messages().back().details;
    EXPECT_TRUE(details.contains(u"Other values:\n  HKEY_CURRENT_USER\\"_s + palette +
                                 u": key removed\n    removed Standard = TButton"_s))
        << details.toStdString();
    EXPECT_EQ(userReg(), before) << "Cancel changes nothing";

    prompts.answer(u"Do you really want to apply it to Delphi?"_s, Prompter::Ok)
        .answer(u"Apply success."_s, Prompter::Ok);
    registry.RzBitBtnApplyProjectClick();
    EXPECT_EQ(host.status, u"Apply success. Please restart Delphi to make changes take effect."_s);
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::CurrentUser, palette));
    EXPECT_FALSE(host.project().isModified()) << "apply does not touch the project";
}

TEST_F(RegistryCommandsTest, BackupClearImportRoundTrip)
{
    const QString chosen = dir.filePath(u"backup.txt"_s);
    prompts.answer(u"back up"_s, Prompter::Yes)
        .chooseSave(chosen)
        .answer(u"Backup registry Ok."_s, Prompter::Ok);
    registry.RzBitBtnBackupRegClick();
    const QString file = dir.filePath(u"backup.reg"_s); // always a .reg file
    ASSERT_TRUE(QFile::exists(file));

    prompts.answer(u"Choice Yes will delete all exists Delphi registry items."_s, Prompter::No);
    registry.RzBitBtnClearRegClick();
    EXPECT_NE(value(RegRoot::CurrentUser, kD7, u"App"_s), u"<missing>"_s);
    clear();
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::CurrentUser, kD7));

    importFile(file, u"imported"_s);
    EXPECT_EQ(value(RegRoot::LocalMachine, kD7, u"RootDir"_s), sb.delphiRoot);
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

// A clear by mistake is undone from the history; the undo can be undone in turn, and an earlier
// state stays within reach.
TEST_F(RegistryCommandsTest, ClearIsUndoneAndTheUndoCanBeUndone)
{
    registry.updateUndoButton();
    EXPECT_FALSE(host.undoEnabled) << "no snapshot yet";
    const QStringList before = contents();
    clear();
    registry.updateUndoButton();
    const QStringList cleared = contents();
    ASSERT_NE(cleared, before);
    EXPECT_TRUE(host.undoEnabled);

    prompts.chooseItem(-1); // cancelling the list changes nothing
    registry.RzBitBtnUndoRegClick();
    EXPECT_EQ(contents(), cleared);
    const struct
    {
        int chosen; // the row of the history list
        const QStringList& after;
        const char16_t* newest; // how the list's first row ends
    } undos[] = {
        {0, before, u"before clear"}, {0, cleared, u"before restore"}, {2, before, u"before restore"}};
    for (const auto& u : undos) {
        SCOPED_TRACE(u.chosen);
        clock.advanceSeconds(1);
        prompts.chooseItem(u.chosen).answer(u"back as it was"_s, Prompter::Ok);
        registry.RzBitBtnUndoRegClick();
        EXPECT_EQ(contents(), u.after);
        EXPECT_TRUE(prompts.choiceLists().back()[0].endsWith(QString::fromUtf16(u.newest)));
    }
}

// That a real wineserver is found is the registry store's test (HiveWineTest); here a process holds
// the server's lock as it does.
TEST_F(RegistryCommandsTest, WhileWineRunsReadingWarnsAndWritingIsRefused)
{
    const QByteArray user = userReg();
    const test::FakeWineserver server(HiveRegistryStore::serverDirectories(sb.prefix).first());
    ASSERT_TRUE(server.locked());
    const QString chosen = dir.filePath(u"while.reg"_s);
    prompts.answer(u"back up"_s, Prompter::Yes)
        .chooseSave(chosen)
        .answer(u"saves them to the registry files within about 30 seconds"_s, Prompter::Ok)
        .answer(u"Backup registry Ok."_s, Prompter::Ok);
    registry.RzBitBtnBackupRegClick();
    EXPECT_TRUE(test::readAll(chosen).startsWith("REGEDIT4"));

    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(u"wineserver -k"_s, Prompter::Ok);
    registry.RzBitBtnClearRegClick();
    EXPECT_EQ(userReg(), user);
}

} // namespace
