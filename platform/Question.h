#pragma once

#include <string>

// A yes/no question to the user from a program without a window of its own: a message
// box on Windows; elsewhere the terminal when there is one, else the desktop's dialog
// tool when present. Strings are UTF-8.
namespace tessivar::platform {

// True only when the user answered Yes; no way to ask counts as No.
bool askYesNo(const std::string& title, const std::string& text);

} // namespace tessivar::platform
