#pragma once

#include <string>

// The system's own log, where a program that runs as root writes rather than into a
// folder of its own: syslog(3) on Linux (the journal takes it over where it runs).
namespace tessivar::platform {

enum class SystemLogLevel { Debug, Info, Warning, Error };

// False where the system offers no such log to this program.
bool openSystemLog(const std::string& ident);
void writeSystemLog(SystemLogLevel level, const std::string& line);

} // namespace tessivar::platform
