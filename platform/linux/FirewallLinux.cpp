// The firewall on Linux is whichever of firewalld and ufw is running; both filter by
// port, not by program. Linux has no network profiles: none is current.
#include "platform/Firewall.h"

#include "platform/linux/FirewallFirewalld.h"
#include "platform/linux/FirewallUfw.h"

namespace tessivar::platform {

namespace {

// firewalld first, then ufw when firewalld does not run.
class Reader : public FirewallReader
{
public:
    Reader(std::string applicationPath, FirewallReadOptions options)
        : m_path(std::move(applicationPath))
        , m_options(std::move(options))
        , m_current(firewalld::startReading(m_path))
    {
    }

    std::vector<std::string> nextCommand() override
    {
        std::vector<std::string> command = m_current->nextCommand();
        if (command.empty() && !m_triedUfw && m_current->reading().state == FirewallReadState::NoFirewall) {
            m_triedUfw = true;
            m_current = ufw::startReading(m_path, m_options.ufwConfigPath);
            command = m_current->nextCommand();
        }
        return command;
    }

    void commandFinished(const ToolOutcome& outcome) override { m_current->commandFinished(outcome); }

    FirewallReading reading() const override
    {
        FirewallReading reading = m_current->reading();
        if (reading.state == FirewallReadState::NoFirewall)
            reading.firewallName.clear();
        return reading;
    }

private:
    std::string m_path;
    FirewallReadOptions m_options;
    std::unique_ptr<FirewallReader> m_current;
    bool m_triedUfw = false;
};

FirewallReading readWaiting(const std::string& applicationPath)
{
    const std::unique_ptr<FirewallReader> reader = startFirewallReading(applicationPath);
    for (std::vector<std::string> command = reader->nextCommand(); !command.empty(); command = reader->nextCommand())
        reader->commandFinished(firewalltools::run(command));
    return reader->reading();
}

enum class Backend { None, Firewalld, Ufw };

Backend backend()
{
    if (firewalld::running())
        return Backend::Firewalld;
    return ufw::state() == ufw::State::Inactive ? Backend::None : Backend::Ufw;
}

} // namespace

std::unique_ptr<FirewallReader> startFirewallReading(const std::string& applicationPath,
                                                     const FirewallReadOptions& options)
{
    return std::make_unique<Reader>(applicationPath, options);
}

std::string openPortCommand(const std::string& firewallName, int port)
{
    const std::string number = std::to_string(port);
    if (firewallName == "firewalld")
        return "sudo firewall-cmd --permanent --add-port=" + number + "/tcp --add-port=" + number
            + "/udp && sudo firewall-cmd --reload";
    if (firewallName == "ufw")
        return "sudo ufw allow " + number + "/tcp && sudo ufw allow " + number + "/udp";
    return {};
}

bool firewallActive()
{
    return backend() != Backend::None;
}

FirewallRuleList readFirewallRules(const std::string& applicationPath)
{
    FirewallReading reading = readWaiting(applicationPath);
    return {std::move(reading.rules), reading.report};
}

FirewallProfiles currentFirewallProfiles()
{
    return {};
}

FirewallChange removeFirewallRule(const std::string& name)
{
    switch (backend()) {
    case Backend::Firewalld:
        return firewalld::remove(name);
    case Backend::Ufw:
        return ufw::remove(name);
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
        return firewalld::add(name, applicationPath, protocolNumber, port);
    case Backend::Ufw:
        return ufw::add(name, applicationPath, protocolNumber, port);
    case Backend::None:
        break;
    }
    return {false, {"", "No active firewall"}};
}

} // namespace tessivar::platform
