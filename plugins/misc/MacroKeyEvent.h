#pragma once

#include <QMetaType>

#include <cstdint>
#include <list>

// One recorded key event. Stored as four big-endian 32-bit integers in this order.
struct MacroKeyEvent_t {
    std::int32_t action = 0;      // 0 pressed, 1 released
    std::uint32_t virtualKey = 0; // the key event's native virtual key
    std::uint32_t scanCode = 0;   // the key event's native scan code
    std::int32_t delay = 0;       // milliseconds since the previous event

    bool operator==(const MacroKeyEvent_t& other) const
    {
        return action == other.action && virtualKey == other.virtualKey && scanCode == other.scanCode
            && delay == other.delay;
    }
};

inline constexpr std::int32_t kMacroKeyPressed = 0;
inline constexpr std::int32_t kMacroKeyReleased = 1;

using MacroKeyEventList = std::list<MacroKeyEvent_t>;

Q_DECLARE_METATYPE(MacroKeyEventList)
