#pragma once

#include "network/NetworkFirewallRuleModel.h"

#include <QObject>

namespace tessivar::network {

// The firewall side of the network status page: the profiles in force and the
// program's TCP and UDP rules.
class NetworkFirewallModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool PublicRequired READ publicRequired NOTIFY firewallStatusChanged)
    Q_PROPERTY(bool PrivateRequired READ privateRequired NOTIFY firewallStatusChanged)
    Q_PROPERTY(bool DomainRequired READ domainRequired NOTIFY firewallStatusChanged)
    Q_PROPERTY(QObject* Tcp READ tcp NOTIFY tcpRuleChanged)
    Q_PROPERTY(QObject* Udp READ udp NOTIFY udpRuleChanged)

public:
    explicit NetworkFirewallModel(QObject* parent = nullptr);
    NetworkFirewallModel(FirewallRuleSource rules, FirewallProfileSource profiles, QObject* parent = nullptr);

    // Each read asks the firewall again.
    bool publicRequired() const { return m_profiles().contains(FirewallProfile_e::Public); }
    bool privateRequired() const { return m_profiles().contains(FirewallProfile_e::Private); }
    bool domainRequired() const { return m_profiles().contains(FirewallProfile_e::Domain); }
    NetworkFirewallRuleModel* tcp() const { return m_tcp; }
    NetworkFirewallRuleModel* udp() const { return m_udp; }

    Q_INVOKABLE void refresh();

Q_SIGNALS:
    void firewallStatusChanged();
    void tcpRuleChanged();
    void udpRuleChanged();

private:
    FirewallProfileSource m_profiles;
    NetworkFirewallRuleModel* m_tcp;
    NetworkFirewallRuleModel* m_udp;
};

} // namespace tessivar::network
