#pragma once

// UTF-8 to the UTF-16 the wide Win32 functions take, and back. Qt-free like the rest of
// platform/win.
#include <windows.h>

#include <climits>
#include <string>

namespace tessivar::platform {

// Empty for empty input, for text longer than the API can measure, or if the conversion fails;
// invalid UTF-8 sequences become U+FFFD.
inline std::wstring widen(const std::string& text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    wide.resize(static_cast<size_t>(written > 0 ? written : 0));
    return wide;
}

// Empty for empty input or if the conversion fails; unpaired surrogates become U+FFFD.
inline std::string narrow(const std::wstring& text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<size_t>(length), '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(written > 0 ? written : 0));
    return utf8;
}

} // namespace tessivar::platform
