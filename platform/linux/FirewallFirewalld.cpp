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

std::string serviceQuery(const std::string& id, const std::string& query)
{
    return trimmed(run({"firewall-cmd", "--permanent", "--service=" + id, query}).output);
}

} // namespace

bool running()
{
    return succeeded(run({"firewall-cmd", "--state"}));
}

FirewallRuleList rules(const std::string& applicationPath)
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
