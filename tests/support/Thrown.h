#pragma once

// What a user is told: the message of the error a call throws.

#include <QString>
#include <gtest/gtest.h>

namespace vx::test {

// The message of the E that `f` throws; empty, and a failure, when it throws none.
template <class E, class F> QString errorOf(F f)
{
    try {
        f();
    } catch (const E& e) {
        return e.message();
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}

} // namespace vx::test
