// Launchers: quoting by the freedesktop rules, and what the desktop's own validator says.

#include "platform/desktop/DesktopEntry.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// An entry full of awkward text: the desktop's validator accepts it, and GLib's launcher (what
// GNOME and most file managers use) parses its Exec line back into the arguments we meant.
TEST(DesktopEntry, AwkwardEntriesPassTheValidatorAndLaunchWithTheArgumentsWeMeant)
{
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    ASSERT_FALSE(validator.isEmpty())
        << "desktop-file-validate is not installed (scripts/install-deps.sh installs it)";
    const QString gio = QStandardPaths::findExecutable(u"gio"_s);
    ASSERT_FALSE(gio.isEmpty()) << "gio is not installed (scripts/install-deps.sh installs libglib2.0-bin)";
    QTemporaryDir dir;
    const QString odd = dir.filePath(u"Dé \"quoted\" $HOME `x` 100% \\back;semi#"_s + QString(200, u'p'));
    ASSERT_TRUE(QDir().mkpath(odd)); // the launcher starts the program there
    const QString out = dir.filePath(u"args.txt"_s);
    const QStringList args{u"WINEPREFIX="_s + odd,
                           odd + u"/bin/Delphi32.exe"_s,
                           u"C:\\Program Files\\a.exe"_s,
                           u"plain"_s,
                           u"it's"_s,
                           QString()};
    DesktopEntry e;
    e.name = u" Delphi 7"_s; // a leading blank is escaped
    e.comment = u"Line one\nline two"_s;
    e.exec =
        QStringList{
            u"/bin/sh"_s, u"-c"_s,
            u"for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.part\" && mv \"$0.part\" \"$0\""_s,
            out} +
        args;
    e.execFieldCode = u"%F"_s;
    e.workingDir = odd;
    e.icon = odd + u"/icon.svg"_s;
    e.mimeTypes = {u"text/x-pascal"_s, u"application/x-vorlix7-project"_s};
    e.categories = {u"Development"_s};
    e.noDisplay = true;
    const QString path = dir.filePath(u"vorlix7-test.desktop"_s);
    test::writeAll(path, desktopEntryBytes(e));
    EXPECT_TRUE(test::readAll(path).contains("\nName=\\sDelphi 7\n"));

    QProcess p;
    p.start(validator, {path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString()
                               << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().trimmed().isEmpty());

    p.start(gio, {u"launch"_s, path});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (int i = 0; i < 100 && !QFileInfo::exists(out); ++i)
        QThread::msleep(50); // the launched shell runs on its own
    EXPECT_EQ(QString::fromUtf8(test::readAll(out)), args.join(u'\n') + u'\n');
}

} // namespace
