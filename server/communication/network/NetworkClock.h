#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

namespace tessivar::communication::network {

// Connection bookkeeping counts time in 100-nanosecond ticks of the system clock.
using Ticks = std::chrono::duration<qint64, std::ratio<1, 10000000>>;
using TimePoint = std::chrono::time_point<std::chrono::system_clock, Ticks>;
// Asked wherever times are compared, so that tests can move time on at will.
using Clock = std::function<TimePoint()>;

TimePoint systemNow();

} // namespace tessivar::communication::network
