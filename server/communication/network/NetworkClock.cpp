#include "communication/network/NetworkClock.h"

namespace tessivar::communication::network {

TimePoint systemNow()
{
    return std::chrono::time_point_cast<Ticks>(std::chrono::system_clock::now());
}

} // namespace tessivar::communication::network
