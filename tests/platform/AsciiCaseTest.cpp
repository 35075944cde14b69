#include "platform/AsciiCase.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

// The four-at-once fold must agree with the one-unit fold for every UTF-16 unit in every lane,
// whatever its neighbours are (a borrow between lanes would change them).
TEST(AsciiCase, LaneFoldAgreesWithUnitFoldForEveryUnitInEveryLane)
{
    const char16_t neighbours[] = {0x0000, 0x0040, 0x005A, 0x005B, 0x8041, 0xFFFF};
    for (uint32_t u = 0; u <= 0xFFFF; ++u) {
        for (char16_t n : neighbours) {
            for (int lane = 0; lane < 4; ++lane) {
                char16_t units[4] = {n, n, n, n};
                units[lane] = char16_t(u);
                uint64_t w;
                std::memcpy(&w, units, sizeof w);
                const uint64_t folded = foldAsciiLanes(w);
                char16_t out[4];
                std::memcpy(out, &folded, sizeof out);
                for (int i = 0; i < 4; ++i)
                    ASSERT_EQ(out[i], foldAscii(units[i])) << "unit " << u << " lane " << lane;
            }
        }
    }
}
