// AttachConsole(ATTACH_PARENT_PROCESS), then the C streams reopened on the console for
// each standard handle that leads nowhere.
#include "platform/Console.h"

#include <windows.h>

#include <cstdio>

namespace tessivar::platform {

namespace {

bool leadsSomewhere(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

bool attachParentConsole()
{
    const bool output = leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool error = leadsSomewhere(STD_ERROR_HANDLE);
    if (output && error)
        return false;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    FILE* stream = nullptr;
    if (!output)
        freopen_s(&stream, "CONOUT$", "w", stdout);
    if (!error)
        freopen_s(&stream, "CONOUT$", "w", stderr);
    return true;
}

} // namespace tessivar::platform
