#pragma once

#include "network/FirewallRule.h"

#include <functional>

// Whether the firewall lets the server's traffic in: its own rules against the network
// profiles in force.
namespace tessivar::network {

using FirewallRuleSource = std::function<QList<FirewallRule_t>()>;
using FirewallProfileSource = std::function<QList<FirewallProfile_e>()>;

// The rules of the running program's own executable.
QList<FirewallRule_t> ownFirewallRules();

// Some enabled inbound allow rule for the protocol (or for any protocol) that lists
// every current profile.
bool firewallAllows(const QList<FirewallRule_t>& rules, const QList<FirewallProfile_e>& profiles,
                    FirewallProtocol_e protocol);

// The check over given rules and profiles, with its log lines; true when both UDP and
// TCP are allowed.
bool firewallRulesAllowTraffic(const QList<FirewallRule_t>& rules, const QList<FirewallProfile_e>& profiles);

// The check on this machine. With no firewall active, nothing blocks the traffic.
bool applicationHasFirewallException(const FirewallRuleSource& rules = ownFirewallRules,
                                     const FirewallProfileSource& profiles = currentFirewallProfiles);

} // namespace tessivar::network
