#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

TEST(AsciiCase, HashIgnoresOnlyAsciiCaseAndCountsEveryUnit)
{
    EXPECT_EQ(hashIgnoringAsciiCase(u"C:\\Program Files\\X.BPL"),
              hashIgnoringAsciiCase(u"c:\\program files\\x.bpl"));
    EXPECT_EQ(hashIgnoringAsciiCase(u"abc"), hashIgnoringAsciiCase(u"ABC"));
    // Texts that differ other than in A-Z case: non-ASCII case, a trailing NUL, length, the seed.
    EXPECT_NE(hashIgnoringAsciiCase(u"Ä"), hashIgnoringAsciiCase(u"ä"));
    EXPECT_NE(hashIgnoringAsciiCase(u"abc"), hashIgnoringAsciiCase(QStringView(u"abc\0", 4)));
    EXPECT_NE(hashIgnoringAsciiCase(u"abcd"), hashIgnoringAsciiCase(u"abcde"));
    EXPECT_NE(hashIgnoringAsciiCase(u"abc", 0), hashIgnoringAsciiCase(u"abc", 1));
    EXPECT_NE(hashIgnoringAsciiCase(u"["), hashIgnoringAsciiCase(u"{")); // 0x5B is not a letter
}
