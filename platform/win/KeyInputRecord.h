#pragma once

// The INPUT record that key replay hands to SendInput, built apart so that it can be
// checked without sending it.
#include <windows.h>

#include <cstdint>

namespace tessivar::platform {

// Keys that sit on the extended part of the keyboard: without KEYEVENTF_EXTENDEDKEY the
// system takes them for their twins on the numeric keypad (or the left Ctrl/Alt).
bool isExtendedKey(std::uint32_t virtualKey, std::uint32_t scanCode);

INPUT keyInputRecord(std::uint32_t virtualKey, std::uint32_t scanCode, bool release);

} // namespace tessivar::platform
