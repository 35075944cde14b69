// The Associate group of the window: the enabling rule, what a close writes for the boxes, a
// moved program, a close whose hive cannot be written, and a project opened the ways the
// associations start the program.

#include "platform/ini/IniFile.h"
#include "platform/registry/RegistryStore.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using AssociationsWindowTest = test::MainWindowFixture;

QString classesText(const QString& prefix, const QString& key)
{
    const auto v = HiveRegistryStore(prefix).value(RegRoot::ClassesRoot, key, {});
    return v ? v->text() : u"<missing>"_s;
}

TEST_F(AssociationsWindowTest, SubBoxesFollowTheMasterFromStartAndKeepTheirChecks)
{
    IniFile(settings()).writeBool(u"Associate"_s, u"Associate"_s, false);
    auto w = start();
    auto* master = child<QCheckBox>(*w, u"RzCheckBoxAssociate"_s);
    auto* shell = child<QCheckBox>(*w, u"RzCheckBoxAssociateShell"_s);
    auto* files = child<QCheckBox>(*w, u"RzCheckBoxAssociateFiles"_s);
    EXPECT_FALSE(shell->isEnabled());
    EXPECT_FALSE(files->isEnabled());
    EXPECT_TRUE(shell->isChecked() && files->isChecked());
    master->click();
    EXPECT_TRUE(shell->isEnabled() && files->isEnabled());
    files->click();
    master->click();
    EXPECT_FALSE(shell->isEnabled() || files->isEnabled());
    EXPECT_TRUE(shell->isChecked());
    EXPECT_FALSE(files->isChecked());

    // Master off, sub-boxes checked: only the program's own rows.
    files->click();
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(classesText(sb.prefix, u".vx7"_s), u"Delphi7 Vorlix"_s);
    EXPECT_EQ(classesText(sb.prefix, u"Delphi7 Vorlix\\shell\\open\\command"_s),
              u"\""_s + sb.delphiRoot + u"Vorlix7\" \"%1\""_s);
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::ClassesRoot, u"delphi32.exe"_s));
    EXPECT_FALSE(HiveRegistryStore(sb.prefix).keyExists(RegRoot::ClassesRoot, u".pas"_s));
}

TEST_F(AssociationsWindowTest, AMovedProgramRewritesItsPathsAtTheNextClose)
{
    {
        auto w = start();
        EXPECT_TRUE(close(*w));
    }
    EXPECT_EQ(classesText(sb.prefix, u"delphi32.exe\\DefaultIcon"_s),
              sb.delphiRoot + u"bin\\Delphi32.exe,0"_s);

    fixtures::Sandbox moved = sb;
    moved.delphiHost = sb.prefix + u"/drive_c/D7"_s;
    ASSERT_TRUE(QDir().rename(sb.delphiHost, moved.delphiHost));
    auto w = start({}, &moved);
    EXPECT_TRUE(close(*w));
    const QString ide = u"\"C:\\D7\\bin\\Delphi32.exe\" \"%1\""_s;
    EXPECT_EQ(classesText(sb.prefix, u"Delphi7 Vorlix\\shell\\open\\command"_s),
              u"\"C:\\D7\\Vorlix7\" \"%1\""_s);
    EXPECT_EQ(classesText(sb.prefix, u"delphi32.exe\\DefaultIcon"_s), u"C:\\D7\\bin\\Delphi32.exe,0"_s);
    EXPECT_EQ(classesText(sb.prefix, u"delphi32.exe\\shell\\open\\command"_s), ide);
    EXPECT_EQ(classesText(sb.prefix, u"delphi32.exe\\shell\\Open_With_Delphi7\\command"_s), ide);
    EXPECT_EQ(classesText(sb.prefix, u".pas"_s), u"delphi32.exe"_s);
}

TEST_F(AssociationsWindowTest, AnUnwritableHiveIsToldOnceAndTheCloseGoesOn)
{
    auto w = start({sb.sampleProject});
    const QString hive = sb.prefix + u"/system.reg"_s;
    const QByteArray before = test::readAll(hive);
    test::makeReadOnly(hive);
    prompts.answer(u"later close"_s, Prompter::Ok);
    EXPECT_TRUE(close(*w));
    EXPECT_EQ(prompts.messages().back().icon, Prompter::Icon::Warning);
    EXPECT_TRUE(prompts.messages().back().text.contains(hive));
    EXPECT_EQ(test::readAll(hive), before);
    // The steps around it ran: the settings, and the project's statistics after it.
    EXPECT_TRUE(IniFile(settings()).readBool(u"Associate"_s, u"FIleType"_s, false));
    EXPECT_EQ(IniFile(sb.sampleProject).readString(u"ConfigData"_s, u"LastTime"_s), u"2026-12-06 9:00:00"_s);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"data/applications/vorlix7-open.desktop"_s)));
}

TEST_F(AssociationsWindowTest, TheLaunchersExecLineAndWinesWindowsPathOpenTheProject)
{
    // The launcher written at close starts a recording program in the place of ours; the
    // arguments GLib's launcher gives it then start the window.
    const QString recorder = dir.filePath(u"bin/record"_s);
    const QString out = dir.filePath(u"args.txt"_s);
    test::writeAll(recorder, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                 out.toUtf8() + ".part\" && mv \"" + out.toUtf8() + ".part\" \"" +
                                 out.toUtf8() + "\"\n");
    QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        auto w = start();
        w->setExecutablePath(recorder);
        EXPECT_TRUE(close(*w));
    }
    const QString gio = QStandardPaths::findExecutable(u"gio"_s);
    ASSERT_FALSE(gio.isEmpty()) << "gio is not installed (scripts/install-deps.sh installs libglib2.0-bin)";
    QProcess p;
    p.start(gio, {u"launch"_s, dir.filePath(u"data/applications/vorlix7-open.desktop"_s), sb.sampleProject});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (int i = 0; i < 100 && !QFileInfo::exists(out); ++i)
        QThread::msleep(50); // the launched program runs on its own
    const QStringList args = QString::fromUtf8(test::readAll(out)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(args, QStringList{sb.sampleProject});

    for (const QString& first :
         {args.first(), Installation::locate(sb.delphiHost).bridge.toWindows(sb.sampleProject)}) {
        SCOPED_TRACE(first.toStdString());
        auto w = start({first});
        EXPECT_TRUE(w->project().isOpen());
        EXPECT_EQ(w->project().fileName(), sb.sampleProject);
        EXPECT_TRUE(close(*w));
    }
}

} // namespace
