// Programs found through /proc/<pid>/exe, started with fork and exec, elevated through
// pkexec.
#include "platform/Processes.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessivar::platform {

namespace {

using Clock = std::chrono::steady_clock;

// How long a program asked to end may take to save and go before it is killed; its
// port must be free before the new instance opens it.
constexpr auto kTerminateGrace = std::chrono::milliseconds(5000);
constexpr auto kPollStep = std::chrono::milliseconds(20);

std::string executableOf(const std::string& pid)
{
    char buffer[4096];
    const ssize_t length = ::readlink(("/proc/" + pid + "/exe").c_str(), buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

bool isAllDigits(const char* text)
{
    if (!*text)
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

// Gone or a zombie waiting for a parent that is not us.
bool processEnded(ProcessId process)
{
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string content;
    if (!std::getline(stat, content))
        return true;
    const auto close = content.rfind(')');
    return close != std::string::npos && close + 2 < content.size() && content[close + 2] == 'Z';
}

std::vector<char*> argv(const std::string& program, const std::vector<std::string>& arguments,
                        std::vector<std::string>& storage)
{
    storage.clear();
    storage.push_back(program);
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& item : storage)
        pointers.push_back(item.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Forks and execs; the child reports a failed chdir or exec through a close-on-exec
// pipe, so the caller learns of it before returning. detach makes the program a child
// of init, so that nobody has to wait for it.
pid_t spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& directory,
            bool detach, int& error)
{
    std::vector<std::string> storage;
    std::vector<char*> childArgv = argv(program, arguments, storage);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = errno;
        return -1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (child == 0) {
        int failure = 0;
        if (detach) {
            // Like a program started from the desktop: no terminal, and no pipe of the
            // starter's that could break under it once the starter is gone; it has its log.
            const int null = ::open("/dev/null", O_RDWR);
            for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
                ::dup2(null, descriptor);
            ::setsid();
            const pid_t grandchild = ::fork();
            if (grandchild < 0) {
                failure = errno;
                [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
            }
            if (grandchild != 0)
                ::_exit(0);
        }
        if (::chdir(directory.c_str()) != 0 || (::execv(program.c_str(), childArgv.data()), true))
            failure = errno;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
        ::_exit(127);
    }
    ::close(report[1]);
    int failure = 0;
    const ssize_t got = ::read(report[0], &failure, sizeof failure);
    ::close(report[0]);
    if (detach)
        ::waitpid(child, nullptr, 0);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        error = failure;
        if (!detach)
            ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

} // namespace

bool samePath(const std::string& first, const std::string& second)
{
    return first == second;
}

ProcessId findRunningProcess(const std::string& executablePath)
{
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    const std::string self = std::to_string(::getpid());
    ProcessId found = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!isAllDigits(entry->d_name) || self == entry->d_name)
            continue;
        const std::string executable = executableOf(entry->d_name);
        if (!executable.empty() && samePath(executable, executablePath)
            && !processEnded(std::strtoll(entry->d_name, nullptr, 10))) {
            found = std::strtoll(entry->d_name, nullptr, 10);
            break;
        }
    }
    ::closedir(proc);
    return found;
}

bool terminateProcess(ProcessId process)
{
    const auto pid = static_cast<pid_t>(process);
    if (::kill(pid, SIGTERM) != 0)
        return false;
    const auto deadline = Clock::now() + kTerminateGrace;
    while (!processEnded(process) && Clock::now() < deadline)
        std::this_thread::sleep_for(kPollStep);
    if (!processEnded(process))
        ::kill(pid, SIGKILL);
    return true;
}

LaunchResult launchProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingDirectory)
{
    int error = 0;
    const pid_t child = spawn(program, arguments, workingDirectory, true, error);
    return {child > 0, static_cast<unsigned long>(error)};
}

WaitedRun runAndWait(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory, bool elevated, int timeoutMs,
                     const std::function<void()>& started)
{
    // Root needs no consent; everyone else asks through polkit.
    std::vector<std::string> command = arguments;
    std::string executable = program;
    if (elevated && ::geteuid() != 0) {
        command.insert(command.begin(), program);
        executable = "/usr/bin/pkexec";
    }
    WaitedRun run;
    int error = 0;
    const pid_t child = spawn(executable, command, workingDirectory, false, error);
    if (child < 0) {
        run.error = static_cast<unsigned long>(error);
        return run;
    }
    if (started)
        started();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(kPollStep);
    if (done == 0) {
        run.status = WaitedRun::Status::TimedOut;
        return run;
    }
    if (done < 0 || !WIFEXITED(status)) {
        run.status = WaitedRun::Status::NoExitCode;
        return run;
    }
    run.status = WaitedRun::Status::Finished;
    run.exitCode = static_cast<unsigned long>(WEXITSTATUS(status));
    return run;
}

} // namespace tessivar::platform
