// Key replay on Linux. Through the kernel's uinput device where it is writable: its keys
// reach every window, X11 and Wayland alike (the package's udev rule opens it to the
// user at the seat). Otherwise through the XTest extension of the X server named by
// $DISPLAY, which reaches X11 windows only.
#include "platform/KeyInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tessivar::platform {

namespace {

// X keycodes are the kernel's key codes plus 8, on every evdev or libinput X server and
// in the xkb keymaps of Wayland compositors.
constexpr unsigned int kXKeycodeOffset = 8;
// Keys a keyboard has; higher codes are buttons and multimedia ranges nobody records.
constexpr int kHighestKey = KEY_MICMUTE;

// TESSIVAR_UINPUT names another uinput node, or "none" to keep to XTest (the tests that
// replay into a virtual X server must not type on the real desktop).
const char* uinputPath()
{
    const char* path = std::getenv("TESSIVAR_UINPUT");
    if (path && std::strcmp(path, "none") == 0)
        return nullptr;
    return path && *path ? path : "/dev/uinput";
}

int openUinput()
{
    const char* path = uinputPath();
    if (!path)
        return -1;
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    bool ok = ioctl(fd, UI_SET_EVBIT, EV_KEY) == 0 && ioctl(fd, UI_SET_EVBIT, EV_SYN) == 0;
    for (int key = 1; ok && key <= kHighestKey; ++key)
        ok = ioctl(fd, UI_SET_KEYBIT, key) == 0;
    uinput_setup setup;
    std::memset(&setup, 0, sizeof setup);
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x7e55;
    setup.id.product = 0x0001;
    std::strncpy(setup.name, "Tessivar key replay", UINPUT_MAX_NAME_SIZE - 1);
    ok = ok && ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ioctl(fd, UI_DEV_CREATE) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    // The desktop takes a moment to adopt a new keyboard; keys sent before are lost.
    usleep(200 * 1000);
    return fd;
}

bool writeEvent(int fd, unsigned short type, unsigned short code, int value)
{
    input_event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.code = code;
    event.value = value;
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

} // namespace

struct KeyInjector::State {
    int uinput = -1;
    Display* display = nullptr;
};

KeyInjector::KeyInjector()
    : m_state(std::make_unique<State>())
{
    m_state->uinput = openUinput();
    // The X server also maps keysyms to keys for events recorded without a key code.
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
    if (m_state->uinput >= 0) {
        ioctl(m_state->uinput, UI_DEV_DESTROY);
        ::close(m_state->uinput);
    }
    if (m_state->display)
        XCloseDisplay(m_state->display);
}

bool KeyInjector::isAvailable() const
{
    return m_state->uinput >= 0 || m_state->display != nullptr;
}

bool KeyInjector::usesUinput() const
{
    return m_state->uinput >= 0;
}

bool KeyInjector::sendKey(std::uint32_t virtualKey, std::uint32_t scanCode, bool release)
{
    Display* display = m_state->display;
    // The keycode identifies the physical key; the keysym is the fallback for events
    // recorded without one.
    unsigned int keycode = scanCode;
    if (keycode == 0 && virtualKey != 0 && display)
        keycode = XKeysymToKeycode(display, static_cast<KeySym>(virtualKey));
    if (m_state->uinput >= 0) {
        // A code outside the keyboard's range names no key (a damaged or foreign macro).
        if (keycode <= kXKeycodeOffset || keycode - kXKeycodeOffset > static_cast<unsigned int>(kHighestKey))
            return false;
        const auto key = static_cast<unsigned short>(keycode - kXKeycodeOffset);
        return writeEvent(m_state->uinput, EV_KEY, key, release ? 0 : 1)
            && writeEvent(m_state->uinput, EV_SYN, SYN_REPORT, 0);
    }
    if (!display)
        return false;
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
