#include "platform/SystemLog.h"

namespace tessivar::platform {

// The helper on Windows logs beside itself, elevated or not.
bool openSystemLog(const std::string&)
{
    return false;
}

void writeSystemLog(SystemLogLevel, const std::string&)
{
}

} // namespace tessivar::platform
