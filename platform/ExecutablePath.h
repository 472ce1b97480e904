#pragma once

#include <string>

namespace tessivar::platform {

// Full path of the running program (UTF-8), known before any Qt application object
// exists; empty if the system does not tell.
std::string executablePath();

} // namespace tessivar::platform
