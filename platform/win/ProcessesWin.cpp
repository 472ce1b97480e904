// Programs found with a Toolhelp snapshot, ended with TerminateProcess, started with
// ShellExecuteExW ("open", or "runas" to ask for administrator rights).
#include "platform/Processes.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

namespace tessivar::platform {

namespace {

// The main module path is read into a buffer of this size (MAX_PATH).
constexpr DWORD kModulePathLength = 260;

std::wstring lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

// A process that cannot be opened or read has an empty path.
std::string modulePath(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
    if (!process)
        return {};
    char buffer[kModulePathLength] = {};
    const DWORD length = K32GetModuleFileNameExA(process, nullptr, buffer, kModulePathLength);
    CloseHandle(process);
    return std::string(buffer, length);
}

SHELLEXECUTEINFOW executeInfo(const wchar_t* verb, const std::wstring& file, const std::wstring& parameters,
                              const std::wstring& directory)
{
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = verb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_HIDE;
    return info;
}

} // namespace

bool samePath(const std::string& first, const std::string& second)
{
    return lower(widen(first)) == lower(widen(second));
}

ProcessId findRunningProcess(const std::string& executablePath)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof entry);
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    ProcessId found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID != self && samePath(modulePath(entry.th32ProcessID), executablePath)) {
            found = entry.th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool terminateProcess(ProcessId process)
{
    HANDLE handle = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(process));
    if (!handle)
        return false;
    const BOOL terminated = TerminateProcess(handle, 1);
    CloseHandle(handle);
    return terminated != FALSE;
}

LaunchResult launchProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingDirectory)
{
    const std::wstring file = widen(program);
    const std::wstring parameters = widen(quotedParameters(arguments));
    const std::wstring directory = widen(workingDirectory);
    SHELLEXECUTEINFOW info = executeInfo(L"open", file, parameters, directory);
    if (!ShellExecuteExW(&info))
        return {false, GetLastError()};
    // The program runs on by itself; its handle is not needed.
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return {true, 0};
}

WaitedRun runAndWait(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory, bool elevated, int timeoutMs,
                     const std::function<void()>& started)
{
    // The first argument is a command word and goes unquoted: `firewall "--add-rule" ...`.
    const std::wstring file = widen(program);
    std::wstring parameters;
    if (!arguments.empty())
        parameters = widen(arguments.front() + quotedParameters({arguments.begin() + 1, arguments.end()}));
    const std::wstring directory = widen(workingDirectory);
    SHELLEXECUTEINFOW info = executeInfo(elevated ? L"runas" : L"open", file, parameters, directory);
    WaitedRun run;
    if (!ShellExecuteExW(&info) || !info.hProcess) {
        run.error = GetLastError();
        return run;
    }
    if (started)
        started();
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        run.status = WaitedRun::Status::TimedOut;
    } else {
        DWORD exitCode = 0;
        if (GetExitCodeProcess(info.hProcess, &exitCode)) {
            run.status = WaitedRun::Status::Finished;
            run.exitCode = exitCode;
        } else {
            run.status = WaitedRun::Status::NoExitCode;
        }
    }
    CloseHandle(info.hProcess);
    return run;
}

} // namespace tessivar::platform
