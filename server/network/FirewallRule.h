#pragma once

#include <QDebug>
#include <QList>
#include <QString>

namespace tessivar::platform {
struct FirewallRuleRecord;
struct FirewallReport;
} // namespace tessivar::platform

// One firewall rule as read from the machine's firewall, and the reading and changing
// of rules shared by the server (which shows them) and tessivar-helper (which adds them).
namespace tessivar::network {

enum class FirewallProtocol_e { Unknown = 0, Udp = 1, Tcp = 2, Any = 3 };
enum class FirewallDirection_e { Unknown = 0, In = 1, Out = 2 };
enum class FirewallAction_e { Unknown = 0, Allow = 1, Block = 2 };
enum class FirewallProfile_e { Domain = 0, Private = 1, Public = 2 };

struct FirewallRule_t {
    QString name;
    QString description;
    QString application;
    QString service;
    FirewallProtocol_e protocol = FirewallProtocol_e::Unknown;
    FirewallDirection_e direction = FirewallDirection_e::Unknown;
    FirewallAction_e action = FirewallAction_e::Unknown;
    QList<FirewallProfile_e> profiles;
    bool enabled = false;
};

// A rule as the platform reads it, in the system's own terms.
FirewallRule_t firewallRuleFrom(const platform::FirewallRuleRecord& record);
// The info and warning lines that a platform call had for the log.
void logFirewallReport(const platform::FirewallReport& report);

// All rules when applicationPath is empty, else the rules of that program.
QList<FirewallRule_t> listFirewallRules(const QString& applicationPath);

bool removeFirewallRule(const QString& name);

// protocolNumber: the IP protocol, 6 or 17. port: the program's port, for firewalls
// that filter by port.
bool addFirewallRule(const QString& name, const QString& applicationPath, unsigned protocolNumber, int port);

bool addFirewallRuleFor(const QString& name, const QString& applicationPath, FirewallProtocol_e protocol, int port);

// The active network profiles: Public, Private, Domain, in this order.
QList<FirewallProfile_e> currentFirewallProfiles();

// The profiles in force from the firewall's bit mask: Public, Private, Domain.
QList<FirewallProfile_e> currentProfilesFromMask(long mask);

// Profiles from the firewall's bit mask (Domain 1, Private 2, Public 4), in that order.
QList<FirewallProfile_e> profilesFromMask(long mask);

// False when no firewall filters this machine's traffic.
bool firewallActive();

QDebug operator<<(QDebug debug, FirewallProfile_e profile);
// "QList(Domain, Private, Public)".
QDebug operator<<(QDebug debug, const QList<FirewallProfile_e>& profiles);
// "Firewall rule[Name=..., ...]".
QDebug operator<<(QDebug debug, const FirewallRule_t& rule);

// The rule line by line at debug level: "Firewall rule", "\tName:" ...
void printFirewallRule(const FirewallRule_t& rule);

} // namespace tessivar::network
