// The program the Windows layer test starts: "exit <code>" ends with that code at once,
// "wait" sleeps until it is ended (at most a minute, so nothing is left behind), "print"
// writes a line to its standard output the way the helper and the server do. Built
// twice: as a console program and, like them, as a GUI program.
#include "platform/Console.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int main()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    int code = 0;
    if (arguments && count >= 3 && std::wcscmp(arguments[1], L"exit") == 0)
        code = static_cast<int>(std::wcstol(arguments[2], nullptr, 10));
    else if (arguments && count >= 2 && std::wcscmp(arguments[1], L"wait") == 0)
        Sleep(60000);
    else if (arguments && count >= 2 && std::wcscmp(arguments[1], L"print") == 0) {
        tessivar::platform::attachParentConsole();
        std::printf("printed by the child\n");
        std::fflush(stdout);
    } else
        code = 99;
    LocalFree(arguments);
    return code;
}
