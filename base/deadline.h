#pragma once

#include <algorithm>
#include <chrono>

// One deadline per user action: made where the action starts and handed down
// to every wait beneath it.
using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;
using std::chrono::milliseconds;

// No action keeps the window busy longer than this, whatever a device sends.
constexpr milliseconds ActionBudget { 15000 };

inline Deadline deadlineIn(Clock::duration span)
{
    return Clock::now() + span;
}

// The end of a wait that has a bound of its own inside an action: whichever
// comes first.
inline Deadline within(Deadline action, Clock::duration bound)
{
    return std::min(action, Clock::now() + bound);
}
