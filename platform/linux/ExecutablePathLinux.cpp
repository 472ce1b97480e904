// The running program's path from /proc/self/exe.
#include "platform/ExecutablePath.h"

#include <filesystem>
#include <system_error>

namespace tessivar::platform {

std::string executablePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

} // namespace tessivar::platform
