#pragma once

#include "network/FirewallStatus.h"

#include <QObject>

namespace tessivar::network {

// The program's first rule for one protocol, as the network status page shows it. The
// rules are read when first asked for, not when the model is made: reading them costs
// the start of the program a query of the firewall that nobody waits for.
class NetworkFirewallRuleModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool PublicAllowed READ publicAllowed NOTIFY firewallEntryChanged)
    Q_PROPERTY(bool PrivateAllowed READ privateAllowed NOTIFY firewallEntryChanged)
    Q_PROPERTY(bool DomainAllowed READ domainAllowed NOTIFY firewallEntryChanged)

public:
    explicit NetworkFirewallRuleModel(FirewallProtocol_e protocol, FirewallRuleSource rules = ownFirewallRules,
                                      QObject* parent = nullptr);

    bool publicAllowed() const { return allows(FirewallProfile_e::Public); }
    bool privateAllowed() const { return allows(FirewallProfile_e::Private); }
    bool domainAllowed() const { return allows(FirewallProfile_e::Domain); }
    const FirewallRule_t& rule() const;
    // All the rules it chooses from, read again.
    QList<FirewallRule_t> rules() const { return m_rules(); }

    Q_INVOKABLE void refresh();

Q_SIGNALS:
    void firewallEntryChanged();

private:
    bool allows(FirewallProfile_e profile) const;
    // The rule as the last refresh found it; the first call reads the rules.
    void readRule();

    FirewallProtocol_e m_protocol;
    FirewallRuleSource m_rules;
    FirewallRule_t m_rule;
    bool m_read = false;
};

} // namespace tessivar::network
