// Key replay with SendInput; key names from GetKeyNameTextW.
#include "platform/KeyInput.h"

#include "platform/win/KeyInputRecord.h"

#include <windows.h>

namespace tessivar::platform {

namespace {
// GetKeyNameTextW's buffer: 19 characters and the terminator.
constexpr int kKeyNameBufferLength = 20;
// The extended-key bit of a scan code as a key event reports it (bit 24 of the message's
// lParam, shifted down with the scan code).
constexpr std::uint32_t kExtendedScanCodeBit = 0x100;
} // namespace

bool isExtendedKey(std::uint32_t virtualKey, std::uint32_t scanCode)
{
    // A recorded right Ctrl/Alt or keypad Enter carries the generic key with the bit set.
    if (scanCode & kExtendedScanCodeBit)
        return true;
    switch (virtualKey & 0xFFFFu) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_NUMLOCK:
    case VK_DIVIDE:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_SNAPSHOT:
    case VK_CANCEL: // Break
        return true;
    default:
        return false;
    }
}

INPUT keyInputRecord(std::uint32_t virtualKey, std::uint32_t scanCode, bool release)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey & 0xFFFFu);
    input.ki.wScan = 0;
    input.ki.dwFlags
        = (release ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(virtualKey, scanCode) ? KEYEVENTF_EXTENDEDKEY : 0);
    input.ki.time = 0;
    input.ki.dwExtraInfo = 0;
    return input;
}

struct KeyInjector::State {
};

KeyInjector::KeyInjector()
    : m_state(std::make_unique<State>())
{
}

KeyInjector::~KeyInjector() = default;

bool KeyInjector::isAvailable() const
{
    return true;
}

bool KeyInjector::usesUinput() const
{
    return false;
}

bool KeyInjector::sendKey(std::uint32_t virtualKey, std::uint32_t scanCode, bool release)
{
    INPUT input = keyInputRecord(virtualKey, scanCode, release);
    return SendInput(1, &input, sizeof(INPUT)) == 1;
}

std::string keyName(std::uint32_t, std::uint32_t scanCode)
{
    wchar_t buffer[kKeyNameBufferLength] = {};
    const int length = GetKeyNameTextW(static_cast<LONG>(scanCode << 16), buffer, kKeyNameBufferLength);
    if (length <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string name(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer, length, name.data(), size, nullptr, nullptr);
    return name;
}

} // namespace tessivar::platform
