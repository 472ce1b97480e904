// firewalld: a rule of the system is a service whose short name is the rule's name and
// whose description is the program's path, enabled in the default zone.
#include "platform/linux/FirewallFirewalld.h"

#include "platform/linux/FirewallTools.h"

#include <cctype>

namespace tessivar::platform::firewalld {

using namespace firewalltools;

namespace {

// Service names allow letters, digits, '-' and '_': the rule's name, lower case.
std::string serviceId(const std::string& name)
{
    std::string id;
    for (char c : name)
        id += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    return id;
}

// --state, then the services of the zone, then for each service its description (the
// program's path) and, for the program's services, their short name and ports.
class Reader : public FirewallReader
{
public:
    explicit Reader(std::string applicationPath)
        : m_path(std::move(applicationPath))
    {
    }

    std::vector<std::string> nextCommand() override
    {
        switch (m_step) {
        case Step::State:
            return {"firewall-cmd", "--state"};
        case Step::Services:
            return {"firewall-cmd", "--permanent", "--list-services"};
        case Step::Description:
            return query("--get-description");
        case Step::Short:
            return query("--get-short");
        case Step::Ports:
            return query("--get-ports");
        case Step::Done:
            break;
        }
        return {};
    }

    void commandFinished(const ToolOutcome& outcome) override
    {
        if (m_step == Step::State) {
            if (succeeded(outcome)) {
                m_step = Step::Services;
            } else {
                m_reading.state = FirewallReadState::NoFirewall;
                m_step = Step::Done;
            }
            return;
        }
        // A user without the rights to firewalld's settings is refused their reading.
        if (!succeeded(outcome)) {
            m_reading.state = FirewallReadState::Unreadable;
            m_reading.rules.clear();
            m_reading.report.warning = m_step == Step::Services ? "firewall-cmd --list-services failed"
                                                                : "firewall-cmd --get-description failed";
            m_step = Step::Done;
            return;
        }
        const std::string answer = trimmed(outcome.output);
        switch (m_step) {
        case Step::Services:
            m_ids = words(outcome.output);
            m_index = 0;
            m_step = m_ids.empty() ? Step::Done : Step::Description;
            break;
        case Step::Description:
            if (!m_path.empty() && answer != m_path) {
                nextService();
                break;
            }
            m_rule = FirewallRuleRecord();
            m_rule.application = answer;
            m_step = Step::Short;
            break;
        case Step::Short:
            m_rule.name = answer.empty() ? m_ids[m_index] : answer;
            m_step = Step::Ports;
            break;
        case Step::Ports: {
            const std::vector<std::string> ports = words(answer);
            m_rule.description = m_rule.name;
            m_rule.service = m_ids[m_index];
            m_rule.protocol = ports.empty() ? kIpProtocolAny : protocolOf(ports.front());
            m_rule.direction = kRuleDirectionIn;
            m_rule.action = kRuleActionAllow;
            m_rule.profiles = kAllProfiles;
            m_rule.enabled = true;
            m_reading.rules.push_back(m_rule);
            nextService();
            break;
        }
        case Step::State:
        case Step::Done:
            break;
        }
    }

    FirewallReading reading() const override { return m_reading; }

private:
    enum class Step { State, Services, Description, Short, Ports, Done };

    std::vector<std::string> query(const std::string& what) const
    {
        return {"firewall-cmd", "--permanent", "--service=" + m_ids[m_index], what};
    }

    void nextService()
    {
        ++m_index;
        m_step = m_index < m_ids.size() ? Step::Description : Step::Done;
    }

    std::string m_path;
    Step m_step = Step::State;
    std::vector<std::string> m_ids;
    size_t m_index = 0;
    FirewallRuleRecord m_rule;
    FirewallReading m_reading{FirewallReadState::Read, "firewalld", {}, 0, {}};
};

} // namespace

std::unique_ptr<FirewallReader> startReading(const std::string& applicationPath)
{
    return std::make_unique<Reader>(applicationPath);
}

bool running()
{
    return succeeded(run({"firewall-cmd", "--state"}));
}

FirewallChange remove(const std::string& name)
{
    const std::string id = serviceId(name);
    run({"firewall-cmd", "--permanent", "--remove-service=" + id});
    if (!succeeded(run({"firewall-cmd", "--permanent", "--delete-service=" + id})))
        return failure("firewall-cmd --delete-service");
    run({"firewall-cmd", "--reload"});
    return success();
}

FirewallChange add(const std::string& name, const std::string& path, long protocolNumber, int port)
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

} // namespace tessivar::platform::firewalld
