#pragma once

// File names that differ between operating systems, kept in one place.
namespace tessivar::platform {

#if defined(_WIN32)
inline constexpr const char* kExecutableSuffix = ".exe";
inline constexpr const char* kPluginFileName = "plugin.dll";
#else
inline constexpr const char* kExecutableSuffix = "";
inline constexpr const char* kPluginFileName = "plugin.so";
#endif

inline constexpr const char* kHelperProgramName = "tessivar-helper";

} // namespace tessivar::platform
