#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Synthesised keyboard input, for replaying recorded key events. The codes are those
// a key event of the platform reports as its native virtual key and native scan code
// (Windows: virtual-key code and scan code; X11: keysym and keycode), so a sequence
// replays on the platform that recorded it. Strings are UTF-8.
namespace tessivar::platform {

class KeyInjector
{
public:
    KeyInjector();
    ~KeyInjector();
    KeyInjector(const KeyInjector&) = delete;
    KeyInjector& operator=(const KeyInjector&) = delete;

    // False where no input can be synthesised (Linux: no writable /dev/uinput, and no X
    // server with the XTest extension).
    bool isAvailable() const;
    // Linux: whether keys go through the kernel's uinput device (they reach Wayland windows
    // too) rather than XTest (X11 windows only). False elsewhere.
    bool usesUinput() const;

    // One key press or release; false if it could not be sent.
    bool sendKey(std::uint32_t virtualKey, std::uint32_t scanCode, bool release);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The name of a key as the desktop shows it; empty when it has none.
std::string keyName(std::uint32_t virtualKey, std::uint32_t scanCode);

} // namespace tessivar::platform
