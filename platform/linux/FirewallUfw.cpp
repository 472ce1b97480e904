// ufw: a rule of the system is a port rule whose comment is "<name> @ <path>".
#include "platform/linux/FirewallUfw.h"

#include <fstream>
#include <sstream>

namespace tessivar::platform::ufw {

using namespace firewalltools;

namespace {

constexpr const char* kUfwCommentSeparator = " @ ";
constexpr const char* kConfigPath = "/etc/ufw/ufw.conf";

State stateOf(const CommandResult& status, const std::string& configPath)
{
    if (status.ran && status.output.find("Status: active") != std::string::npos)
        return State::Active;
    if (succeeded(status))
        return State::Inactive;
    std::ifstream config(configPath);
    for (std::string line; std::getline(config, line);)
        if (trimmed(line) == "ENABLED=yes")
            return State::Unreadable;
    return State::Inactive;
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

std::vector<std::pair<FirewallRuleRecord, std::string>> rulesOf(const std::string& statusOutput)
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

// One "ufw status"; refused to a user who is not root.
class Reader : public FirewallReader
{
public:
    Reader(std::string applicationPath, std::string configPath)
        : m_path(std::move(applicationPath))
        , m_configPath(std::move(configPath))
    {
    }

    std::vector<std::string> nextCommand() override
    {
        if (m_done)
            return {};
        return {"ufw", "status"};
    }

    void commandFinished(const ToolOutcome& outcome) override
    {
        m_done = true;
        switch (stateOf(outcome, m_configPath)) {
        case State::Inactive:
            m_reading.state = FirewallReadState::NoFirewall;
            break;
        case State::Unreadable:
            m_reading.state = FirewallReadState::Unreadable;
            m_reading.report.warning = "ufw rules can only be read by root";
            break;
        case State::Active:
            m_reading.state = FirewallReadState::Read;
            for (const auto& [rule, to] : rulesOf(outcome.output))
                if (m_path.empty() || rule.application == m_path)
                    m_reading.rules.push_back(rule);
            break;
        }
    }

    FirewallReading reading() const override { return m_reading; }

private:
    std::string m_path;
    std::string m_configPath;
    bool m_done = false;
    FirewallReading m_reading{FirewallReadState::Unreadable, "ufw", {}, 0, {}};
};

} // namespace

State state(CommandResult* status)
{
    CommandResult result = run({"ufw", "status"});
    const State found = stateOf(result, kConfigPath);
    if (found == State::Active && status)
        *status = result;
    return found;
}

std::unique_ptr<FirewallReader> startReading(const std::string& applicationPath, const std::string& configPath)
{
    return std::make_unique<Reader>(applicationPath, configPath);
}

FirewallChange remove(const std::string& name)
{
    CommandResult status;
    if (state(&status) != State::Active)
        return failure("ufw status");
    for (const auto& [rule, to] : rulesOf(status.output)) {
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

FirewallChange add(const std::string& name, const std::string& path, long protocolNumber, int port)
{
    const std::string rule = std::to_string(port) + "/" + protocolWord(protocolNumber);
    if (!succeeded(run({"ufw", "allow", "in", rule, "comment", name + kUfwCommentSeparator + path})))
        return failure("ufw allow");
    return success();
}

} // namespace tessivar::platform::ufw
