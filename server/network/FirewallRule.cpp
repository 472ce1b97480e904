#include "network/FirewallRule.h"

#include "core/Logging.h"
#include "platform/Firewall.h"

#include <QDir>

namespace tessivar::network {

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

FirewallProtocol_e protocolFrom(long number)
{
    switch (number) {
    case platform::kIpProtocolTcp:
        return FirewallProtocol_e::Tcp;
    case platform::kIpProtocolUdp:
        return FirewallProtocol_e::Udp;
    case platform::kIpProtocolAny:
        return FirewallProtocol_e::Any;
    default:
        return FirewallProtocol_e::Unknown;
    }
}

FirewallDirection_e directionFrom(long direction)
{
    switch (direction) {
    case platform::kRuleDirectionIn:
        return FirewallDirection_e::In;
    case platform::kRuleDirectionOut:
        return FirewallDirection_e::Out;
    default:
        return FirewallDirection_e::Unknown;
    }
}

FirewallAction_e actionFrom(long action)
{
    switch (action) {
    case platform::kRuleActionAllow:
        return FirewallAction_e::Allow;
    case platform::kRuleActionBlock:
        return FirewallAction_e::Block;
    default:
        return FirewallAction_e::Unknown;
    }
}

FirewallRule_t recordToRule(const platform::FirewallRuleRecord& record)
{
    FirewallRule_t rule;
    rule.name = fromUtf8(record.name);
    rule.description = fromUtf8(record.description);
    rule.application = fromUtf8(record.application);
    rule.service = fromUtf8(record.service);
    rule.protocol = protocolFrom(record.protocol);
    rule.direction = directionFrom(record.direction);
    rule.action = actionFrom(record.action);
    rule.profiles = profilesFromMask(record.profiles);
    rule.enabled = record.enabled;
    return rule;
}

const char* protocolText(FirewallProtocol_e protocol)
{
    switch (protocol) {
    case FirewallProtocol_e::Udp:
        return "UDP";
    case FirewallProtocol_e::Tcp:
        return "TCP";
    case FirewallProtocol_e::Any:
        return "Any";
    case FirewallProtocol_e::Unknown:
        break;
    }
    return "INVALID";
}

const char* directionText(FirewallDirection_e direction)
{
    switch (direction) {
    case FirewallDirection_e::In:
        return "In";
    case FirewallDirection_e::Out:
        return "Out";
    case FirewallDirection_e::Unknown:
        break;
    }
    return "INVALID";
}

const char* actionText(FirewallAction_e action)
{
    switch (action) {
    case FirewallAction_e::Allow:
        return "Allow";
    case FirewallAction_e::Block:
        return "Block";
    case FirewallAction_e::Unknown:
        break;
    }
    return "INVALID";
}

} // namespace

FirewallRule_t firewallRuleFrom(const platform::FirewallRuleRecord& record)
{
    return recordToRule(record);
}

void logFirewallReport(const platform::FirewallReport& report)
{
    if (!report.info.empty())
        qCInfo(lcNetwork).noquote() << fromUtf8(report.info);
    if (!report.warning.empty())
        qCWarning(lcNetwork).noquote() << fromUtf8(report.warning);
}

QList<FirewallRule_t> listFirewallRules(const QString& applicationPath)
{
    const platform::FirewallRuleList list = platform::readFirewallRules(utf8(applicationPath));
    logFirewallReport(list.report);
    QList<FirewallRule_t> rules;
    for (const platform::FirewallRuleRecord& record : list.rules)
        rules.append(firewallRuleFrom(record));
    return rules;
}

bool removeFirewallRule(const QString& name)
{
    qCInfo(lcNetwork) << "Removing firewall rule" << name;
    const platform::FirewallChange change = platform::removeFirewallRule(utf8(name));
    logFirewallReport(change.report);
    if (change.done)
        qCInfo(lcNetwork) << "Success";
    return change.done;
}

bool addFirewallRule(const QString& name, const QString& applicationPath, unsigned protocolNumber, int port)
{
    qCInfo(lcNetwork) << "Adding firewall rule" << name << applicationPath << protocolNumber;
    const platform::FirewallChange change
        = platform::addFirewallRule(utf8(name), utf8(applicationPath), static_cast<long>(protocolNumber), port);
    logFirewallReport(change.report);
    if (change.done)
        qCInfo(lcNetwork) << "Success";
    return change.done;
}

bool addFirewallRuleFor(const QString& name, const QString& applicationPath, FirewallProtocol_e protocol, int port)
{
    const QString path = QDir::toNativeSeparators(applicationPath);
    switch (protocol) {
    case FirewallProtocol_e::Tcp:
        return addFirewallRule(name, path, platform::kIpProtocolTcp, port);
    case FirewallProtocol_e::Udp:
        return addFirewallRule(name, path, platform::kIpProtocolUdp, port);
    default:
        qCWarning(lcNetwork) << "Invalid protocol" << static_cast<int>(protocol);
        return false;
    }
}

QList<FirewallProfile_e> currentFirewallProfiles()
{
    const platform::FirewallProfiles profiles = platform::currentFirewallProfiles();
    logFirewallReport(profiles.report);
    return currentProfilesFromMask(profiles.mask);
}

QList<FirewallProfile_e> currentProfilesFromMask(long mask)
{
    // Public first: the order in which the firewall reports the profiles in force.
    QList<FirewallProfile_e> current;
    if (mask & platform::kProfilePublic)
        current.append(FirewallProfile_e::Public);
    if (mask & platform::kProfilePrivate)
        current.append(FirewallProfile_e::Private);
    if (mask & platform::kProfileDomain)
        current.append(FirewallProfile_e::Domain);
    return current;
}

QList<FirewallProfile_e> profilesFromMask(long mask)
{
    QList<FirewallProfile_e> profiles;
    if (mask & platform::kProfileDomain)
        profiles.append(FirewallProfile_e::Domain);
    if (mask & platform::kProfilePrivate)
        profiles.append(FirewallProfile_e::Private);
    if (mask & platform::kProfilePublic)
        profiles.append(FirewallProfile_e::Public);
    return profiles;
}

bool firewallActive()
{
    return platform::firewallActive();
}

QDebug operator<<(QDebug debug, FirewallProfile_e profile)
{
    QDebugStateSaver saver(debug);
    switch (profile) {
    case FirewallProfile_e::Domain:
        return debug.noquote().nospace() << "Domain";
    case FirewallProfile_e::Private:
        return debug.noquote().nospace() << "Private";
    case FirewallProfile_e::Public:
        return debug.noquote().nospace() << "Public";
    }
    return debug;
}

QDebug operator<<(QDebug debug, const QList<FirewallProfile_e>& profiles)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "QList(";
    for (qsizetype i = 0; i < profiles.size(); ++i)
        debug << (i ? ", " : "") << profiles[i];
    return debug << ")";
}

QDebug operator<<(QDebug debug, const FirewallRule_t& rule)
{
    QDebugStateSaver saver(debug);
    return debug.nospace() << "FirewallRule_t[Name=" << rule.name << ", Application=" << rule.application
                           << ", Protocol=" << protocolText(rule.protocol)
                           << ", Direction=" << directionText(rule.direction) << ", Action=" << actionText(rule.action)
                           << ", Profiles=" << rule.profiles << ", Enabled=" << rule.enabled << "]";
}

void printFirewallRule(const FirewallRule_t& rule)
{
    qCDebug(lcNetwork) << "Firewall rule";
    qCDebug(lcNetwork) << "\tName:" << rule.name;
    qCDebug(lcNetwork) << "\tDescription:" << rule.description;
    qCDebug(lcNetwork) << "\tApplication:" << rule.application;
    if (!rule.service.isEmpty())
        qCDebug(lcNetwork) << "\tService:" << rule.service;
    qCDebug(lcNetwork).noquote() << "\tProtocol:" << protocolText(rule.protocol);
    qCDebug(lcNetwork).noquote() << "\tDirection:" << directionText(rule.direction);
    qCDebug(lcNetwork).noquote() << "\tAction:" << actionText(rule.action);
    qCDebug(lcNetwork) << "\tProfiles:" << rule.profiles;
    qCDebug(lcNetwork) << "\tEnabled:" << rule.enabled;
}

} // namespace tessivar::network
