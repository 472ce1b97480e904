// The firewall on Linux is whichever of firewalld and ufw is running; both filter by
// port, not by program. A rule of the system is kept so that it can be read back:
// with firewalld a service whose short name is the rule's name and whose description is
// the program's path, enabled in the default zone; with ufw a port rule whose comment
// is "<name> @ <path>". Linux has no network profiles: none is current.
#include "platform/Firewall.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessivar::platform {

namespace {

using Clock = std::chrono::steady_clock;

// firewall-cmd talks to its daemon over D-Bus; a daemon that hangs must not hang us.
constexpr auto kCommandTimeout = std::chrono::milliseconds(15000);
// More output than any rule listing gives; the rest is not read.
constexpr size_t kOutputLimit = 4 * 1024 * 1024;
constexpr const char* kUfwCommentSeparator = " @ ";

struct CommandResult {
    bool ran = false;
    int exitCode = -1;
    std::string output; // standard output
};

// Runs a program found on PATH, standard error discarded, and collects its output.
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

// ---- firewalld ----

bool firewalldRunning()
{
    return succeeded(run({"firewall-cmd", "--state"}));
}

// Service names allow letters, digits, '-' and '_': the rule's name, lower case.
std::string serviceId(const std::string& name)
{
    std::string id;
    for (char c : name)
        id += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    return id;
}

std::string serviceQuery(const std::string& id, const std::string& query)
{
    return trimmed(run({"firewall-cmd", "--permanent", "--service=" + id, query}).output);
}

FirewallRuleList firewalldRules(const std::string& applicationPath)
{
    FirewallRuleList list;
    const CommandResult services = run({"firewall-cmd", "--permanent", "--list-services"});
    if (!succeeded(services)) {
        list.report.warning = "firewall-cmd --list-services failed";
        return list;
    }
    for (const std::string& id : words(services.output)) {
        FirewallRuleRecord rule;
        rule.application = serviceQuery(id, "--get-description");
        if (!applicationPath.empty() && rule.application != applicationPath)
            continue;
        const std::string shortName = serviceQuery(id, "--get-short");
        rule.name = shortName.empty() ? id : shortName;
        rule.description = rule.name;
        rule.service = id;
        const std::vector<std::string> ports = words(serviceQuery(id, "--get-ports"));
        rule.protocol = ports.empty() ? kIpProtocolAny : protocolOf(ports.front());
        rule.direction = kRuleDirectionIn;
        rule.action = kRuleActionAllow;
        rule.profiles = kAllProfiles;
        rule.enabled = true;
        list.rules.push_back(rule);
    }
    return list;
}

FirewallChange firewalldRemove(const std::string& name)
{
    const std::string id = serviceId(name);
    run({"firewall-cmd", "--permanent", "--remove-service=" + id});
    if (!succeeded(run({"firewall-cmd", "--permanent", "--delete-service=" + id})))
        return failure("firewall-cmd --delete-service");
    run({"firewall-cmd", "--reload"});
    return success();
}

FirewallChange firewalldAdd(const std::string& name, const std::string& path, long protocolNumber, int port)
{
    const std::string id = serviceId(name);
    const std::string service = "--service=" + id;
    // A service of that name left outside the zone is replaced.
    run({"firewall-cmd", "--permanent", "--delete-service=" + id});
    if (!succeeded(run({"firewall-cmd", "--permanent", "--new-service=" + id}))
        || !succeeded(run({"firewall-cmd", "--permanent", service, "--set-short=" + name}))
        || !succeeded(run({"firewall-cmd", "--permanent", service, "--set-description=" + path}))
        || !succeeded(run({"firewall-cmd", "--permanent", service,
                           "--add-port=" + std::to_string(port) + "/" + protocolWord(protocolNumber)}))
        || !succeeded(run({"firewall-cmd", "--permanent", "--add-service=" + id})))
        return failure("firewall-cmd --new-service");
    if (!succeeded(run({"firewall-cmd", "--reload"})))
        return failure("firewall-cmd --reload");
    return success();
}

// ---- ufw ----

// "Status: active" needs root; without it the configuration file still tells whether
// ufw filters, and its rules stay unreadable.
enum class UfwState { Inactive, Active, Unreadable };

UfwState ufwState(CommandResult* status = nullptr)
{
    CommandResult result = run({"ufw", "status"});
    if (result.ran && result.output.find("Status: active") != std::string::npos) {
        if (status)
            *status = result;
        return UfwState::Active;
    }
    if (succeeded(result))
        return UfwState::Inactive;
    std::ifstream config("/etc/ufw/ufw.conf");
    for (std::string line; std::getline(config, line);)
        if (trimmed(line) == "ENABLED=yes")
            return UfwState::Unreadable;
    return UfwState::Inactive;
}

// One line of "ufw status": To, Action and From in columns, then "# comment".
bool parseUfwLine(const std::string& line, FirewallRuleRecord& rule)
{
    const auto commentStart = line.find(" # ");
    const std::string columns = line.substr(0, commentStart);
    if (columns.find("(v6)") != std::string::npos)
        return false; // the same rule for IPv6
    const std::vector<std::string> fields = words(columns);
    size_t action = 1;
    while (action < fields.size() && fields[action] != "ALLOW" && fields[action] != "DENY" && fields[action] != "REJECT"
           && fields[action] != "LIMIT")
        ++action;
    if (action >= fields.size())
        return false;
    const std::string comment
        = commentStart == std::string::npos ? std::string() : trimmed(line.substr(commentStart + 3));
    const auto separator = comment.find(kUfwCommentSeparator);
    rule.name = comment.substr(0, separator);
    rule.description = rule.name;
    if (separator != std::string::npos)
        rule.application = comment.substr(separator + std::string(kUfwCommentSeparator).size());
    rule.protocol = fields[0] == "Anywhere" ? kIpProtocolAny : protocolOf(fields[0]);
    const bool out = action + 1 < fields.size() && fields[action + 1] == "OUT";
    rule.direction = out ? kRuleDirectionOut : kRuleDirectionIn;
    rule.action = fields[action] == "ALLOW" || fields[action] == "LIMIT" ? kRuleActionAllow : kRuleActionBlock;
    rule.profiles = kAllProfiles;
    rule.enabled = true;
    return true;
}

std::vector<std::pair<FirewallRuleRecord, std::string>> ufwRules(const std::string& statusOutput)
{
    std::vector<std::pair<FirewallRuleRecord, std::string>> rules;
    std::istringstream lines(statusOutput);
    bool table = false;
    for (std::string line; std::getline(lines, line);) {
        if (!table) {
            table = line.rfind("--", 0) == 0;
            continue;
        }
        FirewallRuleRecord rule;
        if (!trimmed(line).empty() && parseUfwLine(line, rule))
            rules.emplace_back(rule, words(line).front());
    }
    return rules;
}

FirewallRuleList ufwList(const std::string& applicationPath)
{
    FirewallRuleList list;
    CommandResult status;
    if (ufwState(&status) != UfwState::Active) {
        list.report.warning = "ufw rules can only be read by root";
        return list;
    }
    for (const auto& [rule, to] : ufwRules(status.output))
        if (applicationPath.empty() || rule.application == applicationPath)
            list.rules.push_back(rule);
    return list;
}

FirewallChange ufwRemove(const std::string& name)
{
    CommandResult status;
    if (ufwState(&status) != UfwState::Active)
        return failure("ufw status");
    for (const auto& [rule, to] : ufwRules(status.output)) {
        if (rule.name != name)
            continue;
        const std::string action = rule.action == kRuleActionAllow ? "allow" : "deny";
        std::vector<std::string> command{"ufw", "delete", action};
        if (rule.direction == kRuleDirectionOut)
            command.push_back("out");
        command.push_back(to);
        return succeeded(run(command)) ? success() : failure("ufw delete");
    }
    return failure("ufw delete");
}

FirewallChange ufwAdd(const std::string& name, const std::string& path, long protocolNumber, int port)
{
    const std::string rule = std::to_string(port) + "/" + protocolWord(protocolNumber);
    if (!succeeded(run({"ufw", "allow", "in", rule, "comment", name + kUfwCommentSeparator + path})))
        return failure("ufw allow");
    return success();
}

enum class Backend { None, Firewalld, Ufw };

Backend backend()
{
    if (firewalldRunning())
        return Backend::Firewalld;
    return ufwState() == UfwState::Inactive ? Backend::None : Backend::Ufw;
}

} // namespace

bool firewallActive()
{
    return backend() != Backend::None;
}

FirewallRuleList readFirewallRules(const std::string& applicationPath)
{
    switch (backend()) {
    case Backend::Firewalld:
        return firewalldRules(applicationPath);
    case Backend::Ufw:
        return ufwList(applicationPath);
    case Backend::None:
        break;
    }
    return {};
}

FirewallProfiles currentFirewallProfiles()
{
    return {};
}

FirewallChange removeFirewallRule(const std::string& name)
{
    switch (backend()) {
    case Backend::Firewalld:
        return firewalldRemove(name);
    case Backend::Ufw:
        return ufwRemove(name);
    case Backend::None:
        break;
    }
    return {false, {"", "No active firewall"}};
}

FirewallChange addFirewallRule(const std::string& name, const std::string& applicationPath, long protocolNumber,
                               int port)
{
    switch (backend()) {
    case Backend::Firewalld:
        return firewalldAdd(name, applicationPath, protocolNumber, port);
    case Backend::Ufw:
        return ufwAdd(name, applicationPath, protocolNumber, port);
    case Backend::None:
        break;
    }
    return {false, {"", "No active firewall"}};
}

} // namespace tessivar::platform
