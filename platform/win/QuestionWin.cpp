// A message box without owner window.
#include "platform/Question.h"

#include <windows.h>

namespace tessivar::platform {

namespace {

std::wstring widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

bool askYesNo(const std::string& title, const std::string& text)
{
    return MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(), MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

} // namespace tessivar::platform
