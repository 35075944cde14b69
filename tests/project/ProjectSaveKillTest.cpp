// Save killed at random moments: the project file must always be there, whole, with its old or its
// new content, and what the killed writer left behind is swept by the next opening.
#include "platform/FileOps.h"
#include "platform/ini/IniFile.h"
#include "project/ProjectFile.h"
#include "support/TemporaryFiles.h"
#include "support/TestFiles.h"

#include <QRandomGenerator>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::readAll;

namespace {

using vx::test::temporaryFiles;

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0, 0));

void fill(ConfigProject& p, const QString& tag, int entries)
{
    ComponentListModel& group = p.addGroup(u"Group "_s + tag);
    for (int i = 0; i < entries; ++i) {
        p.experts().add({tag + QString::number(i), u"D:\\Experts\\e%1.dll"_s.arg(i), u"note"_s, true});
        group.add(
            {u"Package "_s + tag + QString::number(i), u"D:\\Bpl\\p%1.bpl"_s.arg(i), {}, {}, i % 2 == 0});
    }
    p.statistics().beginTime = kNow;
}

TEST(ProjectSaveKill, TheProjectFileIsAlwaysWholeOldOrNew)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"p.vx7"_s);
    const QString backup = dir.filePath(u"p.vx7.bak"_s);

    // The two contents the child alternates between, as Save writes them.
    ConfigProject a, b;
    fill(a, u"A"_s, 1500);
    fill(b, u"B"_s, 1400);
    {
        IniFile store(dir.filePath(u"b.vx7"_s));
        saveProject(b, store, kNow);
    }
    const QByteArray bytesB = readAll(dir.filePath(u"b.vx7"_s));
    {
        IniFile store(file);
        saveProject(a, store, kNow);
        saveProject(a, store, kNow); // the backup exists from the start
    }
    const QByteArray bytesA = readAll(file);
    ASSERT_EQ(readAll(backup), bytesA);
    ASSERT_NE(bytesA, bytesB);

    QRandomGenerator rng(4242);
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                IniFile store(file);
                for (int i = 0; i < 100000; ++i)
                    saveProject(i % 2 == 0 ? b : a, store, kNow);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        ::usleep(useconds_t(rng.bounded(1000, 40000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended on its own: " << status;

        const QByteArray now = readAll(file);
        ASSERT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": " << now.size() << " bytes";
        const QByteArray old = readAll(backup);
        ASSERT_TRUE(old == bytesA || old == bytesB)
            << "round " << round << ": backup of " << old.size() << " bytes";

        // The next command that opens a file there clears what the killed writer left.
        const IniFile reopened(file);
        EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty())
            << temporaryFiles(dir.path()).join(u' ').toStdString();
    }
}

} // namespace
