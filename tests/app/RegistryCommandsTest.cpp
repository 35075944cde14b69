#include "delphireg/RegistryAccess.h"
#include "platform/registry/RegistryStore.h"
#include "support/FakeCommandHost.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

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
};

TEST_F(RegistryCommandsTest, GetDelphiCapturesIntoANewModifiedProject)
{
    const QByteArray userBefore = test::readAll(sb.prefix + u"/user.reg"_s);
    const QString target = dir.filePath(u"Captured.vx7"_s);
    prompts.chooseSave(target);
    registry.RzBitBtnDelphi7ProjectClick();
    ASSERT_TRUE(host.project().isOpen());
    EXPECT_TRUE(host.project().isModified());
    EXPECT_EQ(host.project().fileName(), target);
    EXPECT_EQ(host.project().experts().count(), 2);
    ASSERT_EQ(host.project().groupCount(), 2);
    EXPECT_EQ(host.project().group(0).count(), 4);
    EXPECT_EQ(host.project().group(1).count(), 2);
    EXPECT_EQ(host.project().tools().count(), 4);
    EXPECT_EQ(host.project().searchPath().count(), 5) << "the three default rows of a new project are gone";
    EXPECT_EQ(host.shownPage, app::Page::Projects);
    EXPECT_EQ(test::readAll(target), QByteArray(";Delphi7 Vorlix File\r\n[ConfigData]\r\nRun=2\r\n"));
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userBefore) << "capture only reads";
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
    const QByteArray userReg = test::readAll(sb.prefix + u"/user.reg"_s);
    prompts.answer(u"Old project will be overwrite!\n\nDo you really want to apply it to Delphi?\n\n"
                   u"Apply makes 2 expert changes, 4 package changes, 14 tool changes, 1 search path change "
                   u"and 2 other value changes."_s,
                   Prompter::Cancel);
    registry.RzBitBtnApplyProjectClick();
    const QString details = prompts.messages().back().details;
    EXPECT_TRUE(details.contains(u"Other values:\n  HKEY_CURRENT_USER\\"_s + palette +
                                 u": key removed\n    removed Standard = TButton"_s))
        << details.toStdString();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userReg) << "Cancel changes nothing";

    prompts.answer(u"Do you really want to apply it to Delphi?"_s, Prompter::Ok)
        .answer(u"Apply success."_s, Prompter::Ok);
    registry.RzBitBtnApplyProjectClick();
    EXPECT_EQ(prompts.messages().back().icon, Prompter::Icon::None);
    EXPECT_EQ(host.status, u"Apply success. Please restart Delphi to make changes take effect."_s);
    const HiveRegistryStore store(sb.prefix);
    EXPECT_EQ(store.valueNames(RegRoot::CurrentUser, kD7 + u"\\Experts"_s),
              (QStringList{u"Code Tools"_s, u"Form Designer Plus"_s}));
    EXPECT_EQ(value(RegRoot::CurrentUser, kD7 + u"\\Transfer"_s, u"Count"_s), u"2"_s);
    EXPECT_EQ(value(RegRoot::LocalMachine, kD7, u"RootDir"_s), sb.delphiRoot);
    // Other programs' settings are still there, untouched.
    EXPECT_EQ(value(RegRoot::CurrentUser, u"Software\\Wine\\Fonts"_s, u"Replacement"_s), u"Tahoma"_s);
    EXPECT_FALSE(host.project().isModified()) << "apply does not touch the project";
}

TEST_F(RegistryCommandsTest, BackupClearImportRoundTrip)
{
    const QString chosen = dir.filePath(u"backup.txt"_s);
    prompts.answer(u"back up"_s, Prompter::Yes)
        .chooseSave(chosen)
        .answer(u"Backup registry Ok."_s, Prompter::Ok);
    registry.RzBitBtnBackupRegClick();
    const QString file = dir.filePath(u"backup.reg"_s);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_TRUE(test::readAll(file).startsWith(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\r\n"));

    prompts.answer(u"Choice Yes will delete all exists Delphi registry items."_s, Prompter::No);
    registry.RzBitBtnClearRegClick();
    EXPECT_NE(value(RegRoot::CurrentUser, kD7, u"App"_s), u"<missing>"_s);
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(u"cleared"_s, Prompter::Ok);
    registry.RzBitBtnClearRegClick();
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::CurrentUser, kD7));
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::LocalMachine, kD7));

    prompts.answer(u"import a registry file"_s, Prompter::Yes)
        .chooseOpen(file)
        .answer(u"imported"_s, Prompter::Ok);
    registry.RzBitBtnImportRegClick();
    EXPECT_EQ(value(RegRoot::CurrentUser, kD7 + u"\\Experts"_s, u"Code Tools"_s),
              sb.delphiRoot + u"Experts\\CodeTools.dll"_s);
    EXPECT_EQ(value(RegRoot::CurrentUser, kD7 + u"\\Direct"_s, u"PollPeriod"_s), u"7"_s)
        << "an integer comes back as the string of its number";
    EXPECT_EQ(value(RegRoot::LocalMachine, kD7, u"RootDir"_s), sb.delphiRoot);

    // A malformed file is refused with its line number; nothing of it is applied.
    const QString bad = dir.filePath(u"bad.reg"_s);
    test::writeAll(bad,
                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"a\"=\"1\"\r\n\"b\"=oops\r\n");
    prompts.answer(u"import a registry file"_s, Prompter::Yes)
        .chooseOpen(bad)
        .answer(u"line 5"_s, Prompter::Ok);
    registry.RzBitBtnImportRegClick();
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::CurrentUser, u"Software\\New"_s));
}

TEST_F(RegistryCommandsTest, ImportIsAllOrNothingAndSaysSo)
{
    // The HKEY_CURRENT_USER lines come first; the HKEY_LOCAL_MACHINE line reaches a system.reg that
    // Wine would refuse. Nothing may be committed, and the message must not claim otherwise.
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);
    const QByteArray broken = "\xef\xbb\xbf" + test::readAll(sb.prefix + u"/system.reg"_s);
    test::writeAll(sb.prefix + u"/system.reg"_s, broken);
    const QString file = dir.filePath(u"both.reg"_s);
    test::writeAll(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"a\"=\"1\"\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n");
    prompts.answer(u"import a registry file"_s, Prompter::Yes)
        .chooseOpen(file)
        .answer(u"Nothing was imported; the registry was not changed."_s, Prompter::Ok);
    registry.RzBitBtnImportRegClick();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
    EXPECT_EQ(test::readAll(sb.prefix + u"/system.reg"_s), broken);

    // HKEY_USERS\.Default lives in userdef.reg, which is not ours to write: refused with its line.
    test::writeAll(file,
                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n[HKEY_USERS\\.Default\\X]\r\n");
    prompts.answer(u"import a registry file"_s, Prompter::Yes)
        .chooseOpen(file)
        .answer(u"line 4"_s, Prompter::Ok);
    registry.RzBitBtnImportRegClick();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
}

TEST_F(RegistryCommandsTest, WhileWineRunsReadingWarnsAndWritingIsRefused)
{
    if (QStandardPaths::findExecutable(u"wineserver"_s).isEmpty())
        VX_WINE_UNAVAILABLE("Wine is not installed (no wineserver on PATH)");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEPREFIX"_s, sb.prefix);
    auto server = [&](const QString& option) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wineserver"_s, {option});
        p.waitForFinished(30000);
    };
    server(u"-p"_s); // a persistent server, as a running Delphi keeps one
    const QByteArray user = test::readAll(sb.prefix + u"/user.reg"_s);

    const QString chosen = dir.filePath(u"while.reg"_s);
    prompts.answer(u"back up"_s, Prompter::Yes)
        .chooseSave(chosen)
        .answer(u"saves them to the registry files within about 30 seconds"_s, Prompter::Ok)
        .answer(u"Backup registry Ok."_s, Prompter::Ok);
    registry.RzBitBtnBackupRegClick();
    EXPECT_TRUE(test::readAll(chosen).startsWith("REGEDIT4"));

    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(u"wineserver -k"_s, Prompter::Ok);
    registry.RzBitBtnClearRegClick();

    server(u"-k"_s);
    server(u"-w"_s);
    const QStringList dirs = HiveRegistryStore::serverDirectories(sb.prefix);
    for (qsizetype i = 1; i < dirs.size(); ++i)
        QDir(QFileInfo(dirs[i]).path()).removeRecursively();
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), user);
}

} // namespace
