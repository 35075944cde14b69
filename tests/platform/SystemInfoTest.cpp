#include "platform/SystemInfo.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

TEST(SystemInfo, ReportsInTheFixedFormats)
{
    OsFacts f{u"Linux"_s, u"6.1.0-18-amd64"_s, u"Debian GNU/Linux 12 (bookworm)"_s, u"x86_64"_s, 2};
    EXPECT_EQ(formatOperatingSystemReport(f),
              u"Linux 6.1(Build 0) Debian GNU/Linux 12 (bookworm), 2 CPU of 8664"_s);
    f.release = u"5.10.123"_s;
    f.machine = u"i686"_s;
    f.cpus = 1;
    EXPECT_EQ(formatOperatingSystemReport(f),
              u"Linux 5.10(Build 123) Debian GNU/Linux 12 (bookworm), 1 CPU of 586"_s);

    qint64 avail = -1, total = -1;
    ASSERT_TRUE(parseMemInfo("MemTotal:       24576000 kB\nMemFree: 1 kB\nMemAvailable:   1234567 kB\n",
                             &avail, &total));
    EXPECT_EQ(avail, 1234567);
    EXPECT_EQ(total, 24576000);
    EXPECT_FALSE(parseMemInfo("garbage", &avail, &total));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(formatMemoryReport(1234567, 24576000), u"Memory Available 1,234,567KB/24,576,000KB"_s);
    QLocale::setDefault(QLocale::c());
}
