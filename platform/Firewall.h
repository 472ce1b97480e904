#pragma once

#include <memory>
#include <string>
#include <vector>

// The firewall of the machine: its rules for programs, the network profiles in force,
// and the two changes the system makes (remove a rule by name, add an inbound allow
// rule). Windows answers through its COM firewall; Linux through firewalld or ufw.
// Strings are UTF-8; values are the Windows firewall's numbers, so that one reading
// serves every system.
namespace tessivar::platform {

inline constexpr long kIpProtocolTcp = 6;
inline constexpr long kIpProtocolUdp = 17;
inline constexpr long kIpProtocolAny = 256;
inline constexpr long kRuleDirectionIn = 1;
inline constexpr long kRuleDirectionOut = 2;
inline constexpr long kRuleActionBlock = 0;
inline constexpr long kRuleActionAllow = 1;
inline constexpr long kProfileDomain = 1;
inline constexpr long kProfilePrivate = 2;
inline constexpr long kProfilePublic = 4;
inline constexpr long kAllProfiles = kProfileDomain | kProfilePrivate | kProfilePublic;

struct FirewallRuleRecord {
    std::string name;
    std::string description;
    std::string application;
    std::string service;
    long protocol = -1; // IP protocol number, kIpProtocolAny, -1 when unread
    long direction = 0; // kRuleDirection*, 0 when unread
    long action = -1;   // kRuleAction*, -1 when unread
    long profiles = 0;  // mask of kProfile*
    bool enabled = false;
};

// What a call has to tell its caller's log besides its result.
struct FirewallReport {
    std::string info;
    std::string warning;
};

struct FirewallRuleList {
    std::vector<FirewallRuleRecord> rules;
    FirewallReport report;
};

struct FirewallProfiles {
    long mask = 0; // 0: no current profile found
    FirewallReport report;
};

struct FirewallChange {
    bool done = false;
    FirewallReport report;
};

// What a reading of the firewall found.
enum class FirewallReadState {
    NoFirewall, // nothing filters this machine's traffic
    Read,       // the rules and profiles below are the firewall's
    Unreadable, // a firewall filters, but its rules cannot be read (a user who is not root)
};

struct FirewallReading {
    FirewallReadState state = FirewallReadState::Unreadable;
    std::string firewallName; // "firewalld", "ufw"; empty for the Windows firewall or none
    std::vector<FirewallRuleRecord> rules;
    long profiles = 0;
    FirewallReport report;
};

// One run of a command-line tool, as the reading asks for it and the caller reports it.
struct ToolOutcome {
    bool ran = false; // started and exited normally
    int exitCode = -1;
    std::string output; // standard output
};

struct FirewallReadOptions {
    // ufw's own settings, readable by every user: they tell whether ufw filters.
    std::string ufwConfigPath = "/etc/ufw/ufw.conf";
};

// Reading the rules of a program as a conversation: the caller runs each command the
// reading asks for, in order, as it likes (waiting for it, or from an event loop), and
// hands back its outcome. Readings that need no tool (Windows) ask for none.
class FirewallReader
{
public:
    virtual ~FirewallReader() = default;
    // The next command (program and arguments), or empty when the reading is complete.
    virtual std::vector<std::string> nextCommand() = 0;
    virtual void commandFinished(const ToolOutcome& outcome) = 0;
    virtual FirewallReading reading() const = 0;
};

std::unique_ptr<FirewallReader> startFirewallReading(const std::string& applicationPath,
                                                     const FirewallReadOptions& options = {});

// The command that a user with administrator rights runs to open the port for TCP and
// UDP in that firewall; empty when there is none to give.
std::string openPortCommand(const std::string& firewallName, int port);

// False when no firewall filters this machine's traffic (nothing to ask for then).
bool firewallActive();

// All rules, or only those of that program when applicationPath is not empty.
FirewallRuleList readFirewallRules(const std::string& applicationPath);

FirewallProfiles currentFirewallProfiles();

FirewallChange removeFirewallRule(const std::string& name);

// An inbound rule allowing the program on every profile for one IP protocol (6 or 17).
// Firewalls that filter by port rather than by program (Linux) open the program's port.
FirewallChange addFirewallRule(const std::string& name, const std::string& applicationPath, long protocolNumber,
                               int port);

} // namespace tessivar::platform
