#pragma once

#include <cstdint>
#include <functional>

// Milliseconds on a steady clock. The console's timing rules (the splash's second, the status
// line's pace, the delay before the unsaved test is copied) all read the one clock main hands
// them, so that tests can move time for all of them at once.
using CClock = std::function<std::int64_t()>;

// Milliseconds since the program started, from a steady clock.
std::int64_t ProcessMillis();
