// The Windows layer run for real (under Wine on a Linux build machine): wide text, the
// Run key, starting, finding and ending programs, key replay's input records and the
// firewall calls. Qt-free, like the layer. Exit 0 when every check held, 1 otherwise.
#include "platform/Autostart.h"
#include "platform/ExecutablePath.h"
#include "platform/Firewall.h"
#include "platform/Processes.h"
#include "platform/win/KeyInputRecord.h"
#include "platform/win/ProcessPath.h"
#include "platform/win/WideText.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace tessivar::platform;

namespace {

int failures = 0;

void check(bool condition, const std::string& what)
{
    std::printf("%s: %s\n", condition ? "PASS" : "FAIL", what.c_str());
    if (!condition)
        ++failures;
}

std::wstring folderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

// Polls, since a program just started may not be in the process list yet.
ProcessId findWithin(const std::string& path, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (const ProcessId found = findRunningProcess(path))
            return found;
        if (GetTickCount64() > deadline)
            return 0;
        Sleep(20);
    }
}

void wideText()
{
    const std::string utf8 = "Jos\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80";
    const std::wstring wide = L"Jos\u00e9 \u65e5\u672c \xd83d\xde00";
    check(widen(utf8) == wide, "UTF-8 with accents, CJK and a surrogate pair widens");
    check(narrow(wide) == utf8, "and narrows back to the same bytes");
    check(widen("a\xff"
                "b")
              == L"a\xfffd"
                 L"b",
          "invalid UTF-8 becomes U+FFFD");
    check(widen("").empty() && narrow(L"").empty(), "empty text stays empty");
    std::string longPath = "C:\\Users\\Jos\xc3\xa9";
    while (longPath.size() <= 400)
        longPath += "\\D\xc3\xa9j\xc3\xa0 vu";
    const std::wstring longWide = widen(longPath);
    check(longWide.size() > 260 && narrow(longWide) == longPath, "a path beyond 260 characters round-trips");
    const std::string self = executablePath();
    check(self.find("Jos\xc3\xa9") != std::string::npos && self.size() > 4
              && self.compare(self.size() - 4, 4, ".exe") == 0,
          "the program's own path keeps its non-ASCII folder: " + self);
}

std::wstring runValueOf(const std::string& name)
{
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", widen(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, data, &bytes)
        != ERROR_SUCCESS)
        return {};
    return data;
}

DWORD runValueCount()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_QUERY_VALUE, &key)
        != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return values;
}

void runKey()
{
    const std::string name = "Tessivar Jos\xc3\xa9";
    const AutostartEntry entry{
        name, "C:\\Program Files\\Tessivar Jos\xc3\xa9\\tessivar-helper.exe", {"run", "server", "--minimized"}};
    removeAutostartEntry(name);
    check(!autostartEntryExists(name), "no Run value before it is written");
    check(writeAutostartEntry(entry), "the Run value is written");
    check(autostartEntryExists(name), "and found");
    check(runValueOf(name) == L"\"C:\\Program Files\\Tessivar Jos\u00e9\\tessivar-helper.exe\" run server --minimized",
          "its data reads back from the registry as written");
    const DWORD values = runValueCount();
    check(writeAutostartEntry(entry) && runValueCount() == values, "writing it twice leaves one value");
    check(removeAutostartEntry(name) && !autostartEntryExists(name), "removed, it is gone");
    check(removeAutostartEntry(name), "removing it again changes nothing");
}

// The child program copied into a folder whose name is not ASCII.
std::wstring placeChild(const std::wstring& folder)
{
    const std::wstring source = folderOf(widen(executablePath())) + L"\\tst_win32child.exe";
    const std::wstring target = folder + L"\\tessivar-child.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    return CopyFileW(source.c_str(), target.c_str(), FALSE) ? target : std::wstring();
}

void programs()
{
    const std::wstring folder = folderOf(widen(executablePath())) + L"\\Jos\u00e9 \u65e5\u672c";
    const std::wstring child = placeChild(folder);
    check(!child.empty(), "the child program is copied under a non-ASCII folder");
    if (child.empty())
        return;
    const std::string program = narrow(child);
    const std::string directory = narrow(folder);

    bool started = false;
    const WaitedRun run = runAndWait(program, {"exit", "7"}, directory, false, 10000, [&] { started = true; });
    check(run.status == WaitedRun::Status::Finished && run.exitCode == 7 && started,
          "a program started with ShellExecuteExW is waited for and its exit code 7 read (got status "
              + std::to_string(static_cast<int>(run.status)) + ", code " + std::to_string(run.exitCode) + ")");
    const WaitedRun missing = runAndWait(directory + "\\none.exe", {"exit", "0"}, directory, false, 1000, {});
    check(missing.status == WaitedRun::Status::LaunchFailed && missing.error != 0,
          "a missing program is a launch failure with the system's error " + std::to_string(missing.error));

    check(findRunningProcess(program) == 0, "the child is not found before it runs");
    const LaunchResult launched = launchProgram(program, {"wait"}, directory);
    check(launched.started, "the waiting child is launched");
    const ProcessId found = findWithin(program, 5000);
    check(found != 0, "it is found by its non-ASCII path in the process list");
    if (found == 0)
        return;
    std::string upper = program;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    check(findRunningProcess(upper) == found, "also under the path in other letter case");
    check(samePath(processImagePath(static_cast<unsigned long>(found)), child),
          "its image path reads back in full: " + narrow(processImagePath(static_cast<unsigned long>(found))));
    HANDLE watch = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(found));
    check(terminateProcess(found), "it is terminated");
    DWORD exitCode = 0;
    check(watch && WaitForSingleObject(watch, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(watch, &exitCode)
              && exitCode == 1,
          "it has ended, with exit code 1, when terminateProcess returns");
    if (watch)
        CloseHandle(watch);
    check(findRunningProcess(program) == 0, "and is no longer found");
    check(!terminateProcess(found) || findRunningProcess(program) == 0, "ending it again does no harm");
}

WORD subsystemOf(const std::wstring& program)
{
    HANDLE file = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS64 nt = {};
    DWORD got = 0;
    const bool read = ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos
        && SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER
        && ReadFile(file, &nt, sizeof nt, &got, nullptr) && got == sizeof nt;
    CloseHandle(file);
    return read ? nt.OptionalHeader.Subsystem : 0;
}

// A GUI program (no console flashes at login) whose output is redirected keeps printing
// there: attaching the parent's console must not take the pipe away.
void guiProgramPrints()
{
    const std::wstring program = folderOf(widen(executablePath())) + L"\\tst_win32guichild.exe";
    check(subsystemOf(program) == IMAGE_SUBSYSTEM_WINDOWS_GUI, "the GUI child is a GUI program");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return check(false, "a pipe for its output");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = L"\"" + program + L"\" print";
    PROCESS_INFORMATION process = {};
    const bool created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (created) {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    check(created && output.find("printed by the child") != std::string::npos,
          "its redirected output arrives: \"" + output + "\"");
}

void keyRecords()
{
    struct Case {
        const char* what;
        std::uint32_t virtualKey;
        std::uint32_t scanCode;
        bool extended;
    };
    const std::vector<Case> cases = {
        {"A", 'A', 0x1e, false},
        {"Left", VK_LEFT, 0x4b, true},
        {"Up", VK_UP, 0x48, true},
        {"Right", VK_RIGHT, 0x4d, true},
        {"Down", VK_DOWN, 0x50, true},
        {"Home", VK_HOME, 0x47, true},
        {"End", VK_END, 0x4f, true},
        {"Page Up", VK_PRIOR, 0x49, true},
        {"Page Down", VK_NEXT, 0x51, true},
        {"Insert", VK_INSERT, 0x52, true},
        {"Delete", VK_DELETE, 0x53, true},
        {"right Ctrl", VK_RCONTROL, 0x1d, true},
        {"right Alt", VK_RMENU, 0x38, true},
        {"right Ctrl as recorded", VK_CONTROL, 0x11d, true},
        {"left Ctrl as recorded", VK_CONTROL, 0x1d, false},
        {"left Ctrl", VK_LCONTROL, 0x1d, false},
        {"keypad Enter", VK_RETURN, 0x11c, true},
        {"Enter", VK_RETURN, 0x1c, false},
        {"Num Lock", VK_NUMLOCK, 0x45, true},
        {"keypad divide", VK_DIVIDE, 0x35, true},
        {"keypad multiply", VK_MULTIPLY, 0x37, false},
        {"keypad 4", VK_NUMPAD4, 0x4b, false},
        {"left Windows", VK_LWIN, 0x5b, true},
        {"right Windows", VK_RWIN, 0x5c, true},
        {"Apps", VK_APPS, 0x5d, true},
        {"Print Screen", VK_SNAPSHOT, 0x37, true},
        {"Break", VK_CANCEL, 0x46, true},
    };
    check(sizeof(INPUT) == 40, "INPUT is the 40 bytes SendInput is told");
    for (const Case& item : cases) {
        for (const bool release : {false, true}) {
            const INPUT input = keyInputRecord(item.virtualKey, item.scanCode, release);
            const DWORD expected = (release ? KEYEVENTF_KEYUP : 0) | (item.extended ? KEYEVENTF_EXTENDEDKEY : 0);
            check(input.type == INPUT_KEYBOARD && input.ki.wVk == (item.virtualKey & 0xffff) && input.ki.wScan == 0
                      && input.ki.dwFlags == expected && input.ki.time == 0 && input.ki.dwExtraInfo == 0,
                  std::string(item.what) + (release ? " released" : " pressed") + ": flags "
                      + std::to_string(input.ki.dwFlags) + ", expected " + std::to_string(expected));
        }
    }
}

std::string reportOf(const FirewallReport& report)
{
    return "info \"" + report.info + "\", warning \"" + report.warning + "\"";
}

// Wine implements little of the COM firewall: each call must end with a result or a
// failure it reports, whatever the classes do.
void firewall()
{
    std::printf("firewall active: %s\n", firewallActive() ? "yes" : "no");
    const FirewallProfiles profiles = currentFirewallProfiles();
    std::printf("current profiles: mask %ld, %s\n", profiles.mask, reportOf(profiles.report).c_str());
    check((profiles.mask & ~kAllProfiles) == 0, "the profile mask holds profile bits only");
    const FirewallRuleList rules = readFirewallRules("");
    std::printf("rules: %zu, %s\n", rules.rules.size(), reportOf(rules.report).c_str());
    const std::string program = executablePath();
    const FirewallChange added = addFirewallRule("Tessivar Wine TCP", program, kIpProtocolTcp, 20948);
    std::printf("add rule: %s, %s\n", added.done ? "done" : "not done", reportOf(added.report).c_str());
    if (added.done) {
        const FirewallRuleList own = readFirewallRules(program);
        std::printf("own rules after adding: %zu\n", own.rules.size());
    }
    const FirewallChange removed = removeFirewallRule("Tessivar Wine TCP");
    std::printf("remove rule: %s, %s\n", removed.done ? "done" : "not done", reportOf(removed.report).c_str());
    check(true, "the firewall calls returned");

    // A thread whose COM is already multithreaded: the session takes it as it is.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const FirewallRuleList again = readFirewallRules("");
    check(again.rules.size() == rules.rules.size(), "listing on a multithreaded COM thread reads the same rules");
    if (SUCCEEDED(initialised))
        CoUninitialize();
}

} // namespace

int main()
{
    // The runner tells by this line that Wine started the program at all.
    std::printf("win32 layer test started\n");
    std::fflush(stdout);
    wideText();
    runKey();
    programs();
    guiProgramPrints();
    keyRecords();
    firewall();
    std::printf("%d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
