#pragma once

// The program that opens a shortcut which points at no file (a Control Panel item, a
// URL shortcut...): handed the shortcut file's path as its only argument.
namespace tessivar::platform {

#if defined(_WIN32)
inline constexpr const char* kShortcutOpenerProgram = "explorer";
#else
inline constexpr const char* kShortcutOpenerProgram = "xdg-open";
#endif

} // namespace tessivar::platform
