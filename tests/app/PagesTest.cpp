// The Option and About pages of the window: the language and font commands (what the page shows,
// what the shared dialogs receive, what a close stores), the environment commands (helper folders,
// the database engine switch, the default configuration with its registration and shortcuts, the
// runtime-file copy), the Associate group (its enabling rule, what a close writes for the boxes, a
// moved program, a close whose hive cannot be written), the logo animation, Help and Launch.

#include "app/AboutPage.h"
#include "app/MainWindow.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "support/FakeWine.h"
#include "support/MainWindowFixture.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

class PagesTest : public test::MainWindowFixture
{
  protected:
    void click(app::TFormMain& w, const QString& name) { child<QAbstractButton>(w, name)->click(); }
};

// The labels open the dialogs as the buttons do; cancelling changes nothing. A chosen font shows
// beside the button and is stored without its style; a chosen language is shown and stored (which
// captions it changes is tests/i18n's).
TEST_F(PagesTest, ChosenFontAndLanguageShowOnThePageAndAreStored)
{
    IniFile(settings()).writeInteger(u"Font"_s, u"Charset"_s, 134);
    QFont arial(u"Arial"_s, 10);
    arial.setBold(true);
    auto w = start();
    prompts.chooseFont(std::nullopt).chooseLanguage({});
    QTest::mouseClick(w->ui().RzLabelFont, Qt::LeftButton);
    QTest::mouseClick(w->ui().RzLabelLang, Qt::LeftButton);
    EXPECT_EQ(text(*w, u"RzLabelFont"_s), u"MS Sans Serif, 8"_s);
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"English"_s);

    prompts.chooseFont(arial).chooseLanguage(u"chinese"_s);
    w->ui().RzBitBtnFont->click();
    w->ui().RzButtonLang->click();
    EXPECT_EQ(text(*w, u"RzLabelFont"_s), u"Arial, 10"_s);
    EXPECT_EQ(w->font().family(), u"Arial"_s);
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"chinese"_s);
    EXPECT_TRUE(close(*w));
    IniFile stored(settings());
    EXPECT_EQ(stored.readString(u"config"_s, u"Language"_s), u"chinese"_s);
    EXPECT_EQ(stored.readInteger(u"Font"_s, u"Charset"_s, 0), 134) << "kept as it was read";

    w = start(); // the language, the font's name and size come back, its style does not
    EXPECT_EQ(text(*w, u"RzLabelLang"_s), u"chinese"_s);
    EXPECT_EQ(w->font().family(), u"Arial"_s);
    EXPECT_EQ(w->font().pointSize(), 10);
    EXPECT_FALSE(w->font().bold());
}

// A helper folder ends with a backslash, and Cancel keeps the one before. Copy asks with the file
// list and stops at the first missing file. Launch starts the IDE through Wine or says why not;
// Help opens the help file through Wine, without one the built-in guide.
TEST_F(PagesTest, HelperFoldersCopyLaunchAndHelp)
{
    auto w = start();
    const QString sdkBefore = text(*w, u"RzLabelWinSDK"_s);
    prompts.chooseFolder({});
    click(*w, u"RzButtonWinSDK"_s);
    EXPECT_EQ(text(*w, u"RzLabelWinSDK"_s), sdkBefore);
    prompts.chooseFolder(sb.delphiHost + u"/Help"_s);
    click(*w, u"RzButtonWinSDK"_s);
    EXPECT_EQ(text(*w, u"RzLabelWinSDK"_s), sb.delphiRoot + u"Help\\"_s);

    QDir().mkpath(sb.prefix + u"/drive_c/windows/syswow64"_s);
    test::writeAll(sb.prefix + u"/drive_c/windows/syswow64/adortl70.bpl"_s, "rtl");
    prompts.confirmFileList(false);
    click(*w, u"RzBitBtnCopyFiles"_s);
    EXPECT_EQ(prompts.fileListLabels().back(),
              u"Copy these files from <C:\\windows\\syswow64> to <"_s + sb.delphiRoot + u"Bin>."_s);

    prompts.confirmFileList(true).answer(u"Copy file [C:\\windows\\syswow64\\AMERICAN.VTD] Error!"_s,
                                         Prompter::Ok);
    click(*w, u"RzBitBtnCopyFiles"_s);

    {
        test::FakeWine wine(true);
        child<QPushButton>(*w, u"RzBitBtnLaunch"_s)->click();
        EXPECT_EQ(wine.calls(),
                  (QStringList{u"WINEPREFIX="_s + sb.prefix, sb.delphiHost + u"/bin/Delphi32.exe"_s}));
    }
    {
        test::FakeWine none(false);
        child<QPushButton>(*w, u"RzBitBtnLaunch"_s)->click();
        EXPECT_TRUE(text(*w, u"RzStatusPaneMsg"_s).contains(u"Wine is needed"_s))
            << text(*w, u"RzStatusPaneMsg"_s).toStdString();
    }
    auto* help = child<QAbstractButton>(*w, u"RzRapidFireButtonHelp"_s);
    help->click();
    auto* guide = w->findChild<QDialog*>(u"HelpWindow"_s);
    ASSERT_NE(guide, nullptr) << "without Vorlix.hlp the guide answers";
    delete guide;

    test::writeAll(sb.delphiHost + u"/Vorlix.hlp"_s, "help file");
    test::FakeWine wine(true);
    help->click();
    EXPECT_EQ(wine.calls(),
              (QStringList{u"WINEPREFIX="_s + sb.prefix, u"winhlp32"_s, sb.delphiRoot + u"Vorlix.hlp"_s}));
    EXPECT_EQ(w->findChild<QDialog*>(u"HelpWindow"_s), nullptr);
}

// Recover replaces the IDE's keys with the defaults, registers bordbk70.dll and makes the shortcuts;
// when a hive cannot be written it says which.
TEST_F(PagesTest, RecoverWritesTheDefaultsThenRegistersAndMakesShortcutsOrChangesNothing)
{
    auto w = start();
    const QString userReg = sb.prefix + u"/user.reg"_s, systemReg = sb.prefix + u"/system.reg"_s;
    const QByteArray userBefore = test::readAll(userReg);
    test::makeReadOnly(systemReg); // that neither hive changes is the registry transaction's test
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes)
        .answer(u"The registry was not changed."_s, Prompter::Ok);
    click(*w, u"RzBitBtnRecover"_s);
    EXPECT_TRUE(prompts.messages().back().text.contains(u"system.reg"_s))
        << prompts.messages().back().text.toStdString();
    QFile::setPermissions(systemReg, QFile::ReadOwner | QFile::WriteOwner);

    test::FakeWine wine(true);
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes)
        .answer(u"register bordbk70.dll success"_s, Prompter::Ok)
        .answer({}, Prompter::Ok);
    click(*w, u"RzBitBtnRecover"_s);
    EXPECT_NE(test::readAll(userReg), userBefore);
    EXPECT_TRUE(QFileInfo::exists(sb.prefix + u"/drive_c/users/demo/Desktop/Delphi7.lnk"_s));
    // The keys it replaced were saved first (what the snapshot covers is tests/delphireg's).
    QCoreApplication::processEvents(); // the undo button is updated once the command has run
    EXPECT_TRUE(child<QAbstractButton>(*w, u"RzBitBtnUndoReg"_s)->isEnabled());
}

QString classesText(const QString& prefix, const QString& key)
{
    const auto v = HiveRegistryStore(prefix).value(RegRoot::ClassesRoot, key, {});
    return v ? v->text() : u"<missing>"_s;
}

TEST_F(PagesTest, SubBoxesFollowTheMasterFromStartAndKeepTheirChecks)
{
    IniFile(settings()).writeBool(u"Associate"_s, u"Associate"_s, false);
    auto w = start();
    auto* master = child<QCheckBox>(*w, u"RzCheckBoxAssociate"_s);
    auto* shell = child<QCheckBox>(*w, u"RzCheckBoxAssociateShell"_s);
    auto* files = child<QCheckBox>(*w, u"RzCheckBoxAssociateFiles"_s);
    EXPECT_FALSE(shell->isEnabled() || files->isEnabled());
    master->click();
    files->click();
    master->click();
    EXPECT_FALSE(shell->isEnabled() || files->isEnabled());
    EXPECT_TRUE(shell->isChecked());
    EXPECT_FALSE(files->isChecked());

    // Master off, a sub-box checked: only the program's own rows.
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(classesText(sb.prefix, u".vx7"_s), u"Delphi7 Vorlix"_s);
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::ClassesRoot, u"delphi32.exe"_s));
}

// A close writes the association rows for where the program and the IDE are now. A hive it cannot
// write is told once, as a warning naming it, and the rest of the close goes on.
TEST_F(PagesTest, AMovedProgramRewritesItsPathsAtTheNextCloseThatCanWriteTheHive)
{
    fixtures::Sandbox moved = sb;
    moved.delphiHost = sb.prefix + u"/drive_c/D7"_s;
    moved.sampleProject = moved.delphiHost + u"/Samples/Sample.vx7"_s;
    ASSERT_TRUE(QDir().rename(sb.delphiHost, moved.delphiHost));
    const QString hive = sb.prefix + u"/system.reg"_s;
    test::makeReadOnly(hive);
    prompts.answer(u"later close"_s, Prompter::Ok);
    EXPECT_TRUE(close(*start({moved.sampleProject}, &moved)));
    EXPECT_EQ(prompts.messages().back().icon, Prompter::Icon::Warning);
    EXPECT_TRUE(prompts.messages().back().text.contains(hive)); // the rest goes on: tests/integration

    QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(close(*start({}, &moved)));
    // Both the program's own rows and the IDE's follow the move.
    EXPECT_EQ(classesText(sb.prefix, u"Delphi7 Vorlix\\shell\\open\\command"_s),
              u"\"C:\\D7\\Vorlix7\" \"%1\""_s);
    EXPECT_EQ(classesText(sb.prefix, u"delphi32.exe\\DefaultIcon"_s), u"C:\\D7\\bin\\Delphi32.exe,0"_s);
}

TEST_F(PagesTest, ThreePressesWithoutAMoveLetThePictureFallWhileTheWindowWaits)
{
    QLabel logo, egg;
    QTimer timer;
    QWidget window;
    app::LogoAnimation a(&logo, &egg, &timer, &window, [] { return 8; }); // 10 pixels a tick
    a.ImageLogoMouseDown();
    a.ImageLogoMouseDown();
    a.ImageLogoMouseMove();
    a.ImageLogoMouseDown();
    EXPECT_EQ(a.phase(), 0) << "a move in between starts the count again";
    a.ImageLogoMouseDown();
    a.ImageLogoMouseDown();
    EXPECT_FALSE(window.isEnabled());
    for (int tick = 0; tick < 100 && a.phase() != 0; ++tick)
        a.TimerEggTimer();
    EXPECT_TRUE(window.isEnabled()) << "the fall ends"; // RealXTest presses the window's own logo
}

} // namespace
