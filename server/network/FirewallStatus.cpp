#include "network/FirewallStatus.h"

#include "core/Logging.h"

#include <QCoreApplication>
#include <QDir>

namespace tessivar::network {

QList<FirewallRule_t> ownFirewallRules()
{
    return listFirewallRules(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

bool firewallAllows(const QList<FirewallRule_t>& rules, const QList<FirewallProfile_e>& profiles,
                    FirewallProtocol_e protocol)
{
    for (const FirewallRule_t& rule : rules) {
        if (!rule.enabled || rule.direction != FirewallDirection_e::In || rule.action != FirewallAction_e::Allow)
            continue;
        if (rule.protocol != protocol && rule.protocol != FirewallProtocol_e::Any)
            continue;
        const bool coversProfiles = std::all_of(profiles.begin(), profiles.end(), [&](FirewallProfile_e profile) {
            return rule.profiles.contains(profile);
        });
        if (coversProfiles)
            return true;
    }
    return false;
}

bool firewallRulesAllowTraffic(const QList<FirewallRule_t>& rules, const QList<FirewallProfile_e>& profiles)
{
    if (rules.isEmpty())
        qCDebug(lcNetwork) << "No firewall rules found";
    for (const FirewallRule_t& rule : rules)
        printFirewallRule(rule);
    if (profiles.isEmpty())
        qCDebug(lcNetwork) << "Couldn't find current profile";
    else
        qCDebug(lcNetwork) << "Current profiles:" << profiles;

    const bool udpAllowed = firewallAllows(rules, profiles, FirewallProtocol_e::Udp);
    const bool tcpAllowed = firewallAllows(rules, profiles, FirewallProtocol_e::Tcp);
    if (!udpAllowed)
        qCWarning(lcNetwork) << "UDP not allowed";
    if (!tcpAllowed)
        qCWarning(lcNetwork) << "TCP not allowed";
    return udpAllowed && tcpAllowed;
}

bool applicationHasFirewallException(const FirewallRuleSource& rules, const FirewallProfileSource& profiles)
{
    qCInfo(lcNetwork) << "Checking firewall status";
    if (!firewallActive()) {
        qCInfo(lcNetwork) << "No active firewall";
        return true;
    }
    return firewallRulesAllowTraffic(rules(), profiles());
}

} // namespace tessivar::network
