// Launch at login through the current user's Run key:
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run, value named after the
// application, data "\"<helper>\" run server --minimized".
#include "platform/Autostart.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <string>

namespace tessivar::platform {

namespace {

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring runValue(const AutostartEntry& entry)
{
    std::wstring value = L"\"" + widen(entry.program) + L"\"";
    for (const std::string& argument : entry.arguments)
        value += L" " + widen(argument);
    return value;
}

} // namespace

bool autostartEntryExists(const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegQueryValueExW(key, widen(name).c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool writeAutostartEntry(const AutostartEntry& entry)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    const std::wstring value = runValue(entry);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LSTATUS status = RegSetValueExW(key, widen(entry.name).c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool removeAutostartEntry(const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return true;
    const LSTATUS status = RegDeleteValueW(key, widen(name).c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace tessivar::platform
