#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Finding, starting and ending programs. Strings are UTF-8.
namespace tessivar::platform {

using ProcessId = std::int64_t;

// Whether two program paths name the same file: letter case is ignored on Windows,
// compared exactly where paths are case-sensitive.
bool samePath(const std::string& first, const std::string& second);

// The first running process (other than this one) whose executable is that file, or 0.
ProcessId findRunningProcess(const std::string& executablePath);

// Ends the process (exit code 1 where the system lets the caller choose); false if it
// could not be reached.
bool terminateProcess(ProcessId process);

struct LaunchResult {
    bool started = false;
    unsigned long error = 0; // the system's error code when not started
};

// Starts the program in the folder with the arguments, and does not wait for it.
LaunchResult launchProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingDirectory);

struct WaitedRun {
    enum class Status { LaunchFailed, TimedOut, NoExitCode, Finished };
    Status status = Status::LaunchFailed;
    unsigned long error = 0;    // LaunchFailed: the system's error code
    unsigned long exitCode = 0; // Finished
};

// Starts the program hidden, with administrator rights when elevated (the system asks
// the user), and waits at most timeoutMs for its exit. A program still running then is
// left running. The first argument is a command word. started runs once the program
// was started, before the wait.
WaitedRun runAndWait(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory, bool elevated, int timeoutMs,
                     const std::function<void()>& started);

// The parameters of a Windows command line: ` "arg"` per argument, not escaped further.
inline std::string quotedParameters(const std::vector<std::string>& arguments)
{
    std::string parameters;
    for (const std::string& argument : arguments)
        parameters += " \"" + argument + "\"";
    return parameters;
}

} // namespace tessivar::platform
