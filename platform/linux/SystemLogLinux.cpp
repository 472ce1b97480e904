#include "platform/SystemLog.h"

#include <syslog.h>

namespace tessivar::platform {

namespace {

// openlog keeps the pointer: the name has to outlive every later call.
std::string& identity()
{
    static std::string name;
    return name;
}

int priorityOf(SystemLogLevel level)
{
    switch (level) {
    case SystemLogLevel::Debug:
        return LOG_DEBUG;
    case SystemLogLevel::Info:
        return LOG_INFO;
    case SystemLogLevel::Warning:
        return LOG_WARNING;
    case SystemLogLevel::Error:
        break;
    }
    return LOG_ERR;
}

} // namespace

bool openSystemLog(const std::string& ident)
{
    identity() = ident;
    ::openlog(identity().c_str(), LOG_PID, LOG_USER);
    return true;
}

void writeSystemLog(SystemLogLevel level, const std::string& line)
{
    ::syslog(priorityOf(level), "%s", line.c_str());
}

} // namespace tessivar::platform
