// The running program's path from GetModuleFileNameW.
#include "platform/ExecutablePath.h"

#include <windows.h>

namespace tessivar::platform {

namespace {
// Longest path the wide Win32 functions accept.
constexpr DWORD kMaximumPathLength = 32768;
} // namespace

std::string executablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        if (buffer.size() >= kMaximumPathLength)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), static_cast<int>(buffer.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string path(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), static_cast<int>(buffer.size()), path.data(), size, nullptr,
                        nullptr);
    return path;
}

} // namespace tessivar::platform
