#include "platform/linux/FirewallTools.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tessivar::platform::firewalltools {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

CommandResult run(std::vector<std::string> command)
{
    CommandResult result;
    std::vector<char*> argv;
    for (std::string& item : command)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return result;
    }
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDERR_FILENO);
        ::dup2(null, STDIN_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    const auto deadline = Clock::now() + kCommandTimeout;
    char buffer[4096];
    bool open = true;
    while (open && Clock::now() < deadline) {
        pollfd descriptor{out[0], POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (::poll(&descriptor, 1, static_cast<int>(left > 0 ? left : 0)) <= 0)
            continue;
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            open = false;
        else if (result.output.size() < kOutputLimit)
            result.output.append(buffer, static_cast<size_t>(got));
    }
    ::close(out[0]);
    if (open)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.ran = !open && WIFEXITED(status) && WEXITSTATUS(status) != 127;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool succeeded(const CommandResult& result)
{
    return result.ran && result.exitCode == 0;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> result;
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

long protocolOf(const std::string& portSpec)
{
    const auto slash = portSpec.rfind('/');
    const std::string protocol = slash == std::string::npos ? std::string() : portSpec.substr(slash + 1);
    if (protocol == "tcp")
        return kIpProtocolTcp;
    if (protocol == "udp")
        return kIpProtocolUdp;
    return protocol.empty() ? kIpProtocolAny : -1;
}

std::string protocolWord(long protocolNumber)
{
    return protocolNumber == kIpProtocolTcp ? "tcp" : "udp";
}

FirewallChange failure(const std::string& what)
{
    return {false, {what + " failed", ""}};
}

FirewallChange success()
{
    return {true, {}};
}

} // namespace tessivar::platform::firewalltools
