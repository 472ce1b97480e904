#pragma once

#include "platform/Firewall.h"
#include "platform/linux/FirewallTools.h"

// The ufw back-end of the Linux firewall, through the ufw command.
namespace tessivar::platform::ufw {

// "Status: active" needs root; without it the configuration file still tells whether
// ufw filters, and its rules stay unreadable.
enum class State { Inactive, Active, Unreadable };

// status, when given, receives the output of "ufw status" of an active ufw.
State state(firewalltools::CommandResult* status = nullptr);
// Ends as NoFirewall when ufw does not filter.
std::unique_ptr<FirewallReader> startReading(const std::string& applicationPath, const std::string& configPath);
FirewallChange remove(const std::string& name);
FirewallChange add(const std::string& name, const std::string& path, long protocolNumber, int port);

} // namespace tessivar::platform::ufw
