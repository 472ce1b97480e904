#pragma once

#include "platform/Firewall.h"

#include <chrono>
#include <string>
#include <vector>

// What the Linux firewall back-ends share: running their command-line tools and
// reading the tools' answers.
namespace tessivar::platform::firewalltools {

// firewall-cmd talks to its daemon over D-Bus; a daemon that hangs must not hang us.
inline constexpr auto kCommandTimeout = std::chrono::milliseconds(15000);
// More output than any rule listing gives; the rest is not read.
inline constexpr size_t kOutputLimit = 4 * 1024 * 1024;

using CommandResult = ToolOutcome;

// Runs a program found on PATH, standard error discarded, and collects its output.
CommandResult run(std::vector<std::string> command);

bool succeeded(const CommandResult& result);
std::string trimmed(const std::string& text);
std::vector<std::string> words(const std::string& text);

// "20948/tcp" gives 6, "20948/udp" 17, a port without protocol any protocol.
long protocolOf(const std::string& portSpec);
std::string protocolWord(long protocolNumber);

FirewallChange failure(const std::string& what);
FirewallChange success();

} // namespace tessivar::platform::firewalltools
