// Key replay with SendInput; key names from GetKeyNameTextW.
#include "platform/KeyInput.h"

#include <windows.h>

namespace tessivar::platform {

namespace {
// GetKeyNameTextW's buffer: 19 characters and the terminator.
constexpr int kKeyNameBufferLength = 20;
} // namespace

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

bool KeyInjector::sendKey(std::uint32_t virtualKey, std::uint32_t, bool release)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey & 0xFFFFu);
    input.ki.wScan = 0;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    input.ki.time = 0;
    input.ki.dwExtraInfo = 0;
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
