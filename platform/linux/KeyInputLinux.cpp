// Key replay through the XTest extension of the X server named by $DISPLAY.
#include "platform/KeyInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tessivar::platform {

struct KeyInjector::State {
    Display* display = nullptr;
};

KeyInjector::KeyInjector()
    : m_state(std::make_unique<State>())
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return;
    }
    m_state->display = display;
}

KeyInjector::~KeyInjector()
{
    if (m_state->display)
        XCloseDisplay(m_state->display);
}

bool KeyInjector::isAvailable() const
{
    return m_state->display != nullptr;
}

bool KeyInjector::sendKey(std::uint32_t virtualKey, std::uint32_t scanCode, bool release)
{
    Display* display = m_state->display;
    if (!display)
        return false;
    // The keycode identifies the physical key; the keysym is the fallback for events
    // recorded without one.
    unsigned int keycode = scanCode;
    if (keycode == 0 && virtualKey != 0)
        keycode = XKeysymToKeycode(display, static_cast<KeySym>(virtualKey));
    // A keycode outside the server's range names no key here (a damaged or foreign macro).
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    if (keycode < static_cast<unsigned int>(minKeycode) || keycode > static_cast<unsigned int>(maxKeycode))
        return false;
    const Bool sent = XTestFakeKeyEvent(display, keycode, release ? False : True, CurrentTime);
    XFlush(display);
    return sent != 0;
}

std::string keyName(std::uint32_t virtualKey, std::uint32_t)
{
    if (virtualKey == 0)
        return {};
    const char* name = XKeysymToString(static_cast<KeySym>(virtualKey));
    return name ? std::string(name) : std::string();
}

} // namespace tessivar::platform
