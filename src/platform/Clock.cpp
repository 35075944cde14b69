#include "platform/Clock.h"

namespace vx {

namespace {
const SystemClock g_systemClock;
const Clock* g_clock = nullptr;
} // namespace

const Clock& Clock::current()
{
    return g_clock ? *g_clock : g_systemClock;
}

void Clock::install(const Clock* clock)
{
    g_clock = clock;
}

} // namespace vx
