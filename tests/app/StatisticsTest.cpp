#include "app/Statistics.h"
#include "platform/TimeText.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

TEST(UsageStatistics, DayRollsOverInTheSecondTheSumReadsMidnight)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"s.wv7"_s);
    test::writeAll(path, "[config]\r\nRunTimeSum=23:59:50\r\nDay=0\r\nRun=7\r\n");
    IniFile settings(path);
    app::UsageStatistics stats;
    const QDateTime start(QDate(2026, 12, 6), QTime(8, 0, 0));
    stats.start(settings, start);
    EXPECT_EQ(stats.runCount(), 7);
    EXPECT_EQ(IniFile(path).readInteger(u"config"_s, u"Run"_s, 0), 8);

    ConfigProject project;
    EXPECT_TRUE(stats.tick(start.addSecs(1), &project, u"Day"_s).skipped);
    auto t = stats.tick(start.addSecs(2), &project, u"Day"_s);
    EXPECT_FALSE(t.skipped);
    EXPECT_EQ(t.runTimeSum, u"0Day 23:59:52"_s);
    EXPECT_FALSE(t.project) << "no project open";
    for (int s = 3; s <= 12; ++s)
        t = stats.tick(start.addSecs(s), &project, u"Day"_s);
    EXPECT_EQ(t.runTimeSum, u"1Day 0:00:02"_s);
    EXPECT_EQ(stats.runDays(), 1);
    EXPECT_EQ(stats.runTimeSumAt(start.addSecs(12)) % kMsPerDay, 2000);

    // The three icon frames cycle, window and task bar one frame apart.
    const auto a = stats.tick(start.addSecs(13), &project, u"Day"_s);
    const auto b = stats.tick(start.addSecs(14), &project, u"Day"_s);
    EXPECT_EQ((a.windowIconFrame + 1) % 3, b.windowIconFrame);
    EXPECT_EQ(a.appIconFrame, b.windowIconFrame);

    // A project's day moves the same way; a missed second is not made up.
    project.setOpen(true);
    project.statistics().timeSumMs = (23 * 3600 + 59 * 60 + 59) * 1000LL;
    project.statistics().beginTime = start.addSecs(20);
    t = stats.tick(start.addSecs(21), &project, u"Tag"_s);
    EXPECT_EQ(t.projectTimeSum, u"1Tag 0:00:00"_s);
    t = stats.tick(start.addSecs(26 + 86400), &project, u"Tag"_s);
    EXPECT_EQ(project.statistics().days, 1) << "the day whose second was missed is not counted";

    stats.clearProject(project, start.addSecs(30));
    EXPECT_TRUE(stats.tick(start.addSecs(31), &project, u"Day"_s).skipped);
    EXPECT_EQ(project.statistics().runCount, 0);
}
