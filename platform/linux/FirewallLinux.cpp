// The firewall on Linux is whichever of firewalld and ufw is running; both filter by
// port, not by program. Linux has no network profiles: none is current.
#include "platform/Firewall.h"

#include "platform/linux/FirewallFirewalld.h"
#include "platform/linux/FirewallUfw.h"

namespace tessivar::platform {

namespace {

enum class Backend { None, Firewalld, Ufw };

Backend backend()
{
    if (firewalld::running())
        return Backend::Firewalld;
    return ufw::state() == ufw::State::Inactive ? Backend::None : Backend::Ufw;
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
        return firewalld::rules(applicationPath);
    case Backend::Ufw:
        return ufw::list(applicationPath);
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
