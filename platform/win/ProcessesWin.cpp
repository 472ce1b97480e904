// Programs found with a Toolhelp snapshot, ended with TerminateProcess, started with
// ShellExecuteExW ("open", or "runas" to ask for administrator rights). Each process is
// opened with the least access its step needs: reading the path of an elevated process
// is allowed to a normal user with PROCESS_QUERY_LIMITED_INFORMATION only.
#include "platform/Processes.h"

#include "platform/win/ProcessPath.h"
#include "platform/win/WideText.h"

#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

namespace tessivar::platform {

namespace {

// Longest path the wide Win32 functions accept.
constexpr DWORD kMaximumPathLength = 32768;
// What the first read of a path offers; longer paths get a second read.
constexpr DWORD kFirstPathLength = 512;
// How long an ended process may take to be gone, as on Linux.
constexpr DWORD kTerminateGraceMs = 5000;

std::wstring lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

// COM initialised for the calling thread while it lives, as ShellExecuteExW asks for:
// some shell extensions it may load are COM objects.
class ComForShell
{
public:
    ComForShell()
        : m_uninitialise(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    {
    }
    ~ComForShell()
    {
        if (m_uninitialise)
            CoUninitialize();
    }
    ComForShell(const ComForShell&) = delete;
    ComForShell& operator=(const ComForShell&) = delete;

private:
    bool m_uninitialise;
};

} // namespace

std::wstring processImagePath(unsigned long processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    std::wstring path(kFirstPathLength, L'\0');
    for (;;) {
        DWORD length = static_cast<DWORD>(path.size());
        if (QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
            path.resize(length);
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= kMaximumPathLength) {
            path.clear();
            break;
        }
        path.resize(kMaximumPathLength);
    }
    CloseHandle(process);
    return path;
}

namespace {

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

bool samePath(const std::wstring& first, const std::wstring& second)
{
    return lower(first) == lower(second);
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
    const std::wstring wanted = widen(executablePath);
    ProcessId found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self || wanted.empty())
            continue;
        const std::wstring path = processImagePath(entry.th32ProcessID);
        if (!path.empty() && samePath(path, wanted)) {
            found = entry.th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool terminateProcess(ProcessId process)
{
    // Waiting needs SYNCHRONIZE; without it the process is still ended, only not waited for.
    HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
    if (!handle)
        handle = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(process));
    if (!handle)
        return false;
    const BOOL terminated = TerminateProcess(handle, 1);
    // Gone before the caller starts its successor, which may look for it.
    if (terminated)
        WaitForSingleObject(handle, kTerminateGraceMs);
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
    const ComForShell com;
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
    const ComForShell com;
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
