#include "platform/TimeText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

TEST(TimeText, TimeAndDateTimeTextsRoundTrip)
{
    EXPECT_EQ(timeText((23 * 3600 + 59 * 60 + 59) * 1000LL + 999), u"23:59:59"_s);
    EXPECT_EQ(timeText(2 * kMsPerDay + 3 * 3600 * 1000LL), u"3:00:00"_s) << "whole days are dropped";
    EXPECT_EQ(timeText(-1000), u"23:59:59"_s);
    EXPECT_EQ(runTimeSumText(2, u"Day"_s, timeText(3 * 3600 * 1000LL)), u"2Day 3:00:00"_s);

    const QDateTime t(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(dateTimeText(t), u"2026-03-04 5:06:07"_s);
    EXPECT_EQ(dateTimeText(QDateTime(QDate(2026, 3, 4), QTime(0, 0))), u"2026-03-04"_s);
    EXPECT_EQ(parseDateTimeText(dateTimeText(t)), t);
    EXPECT_EQ(parseDateTimeText(u"2026-03-04"_s), QDateTime(QDate(2026, 3, 4), QTime(0, 0)));
    for (const QString& bad :
         {u""_s, u"2026-02-30"_s, u"2026/03/04"_s, u"2026-03-04 24:00:00"_s, u"x"_s, u"2026-03-04 5:60"_s})
        EXPECT_FALSE(parseDateTimeText(bad).has_value()) << bad.toStdString();
    EXPECT_EQ(parseTimeText(u"23:59"_s), (23 * 3600 + 59 * 60) * 1000) << "seconds may be left out";
    for (const QString& bad : {u"1:2:3:4"_s, u"25:00:00"_s})
        EXPECT_FALSE(parseTimeText(bad).has_value()) << bad.toStdString();
}
