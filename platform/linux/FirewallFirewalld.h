#pragma once

#include "platform/Firewall.h"

// The firewalld back-end of the Linux firewall, through firewall-cmd.
namespace tessivar::platform::firewalld {

bool running();
// Ends as NoFirewall when firewalld does not run.
std::unique_ptr<FirewallReader> startReading(const std::string& applicationPath);
FirewallChange remove(const std::string& name);
FirewallChange add(const std::string& name, const std::string& path, long protocolNumber, int port);

} // namespace tessivar::platform::firewalld
