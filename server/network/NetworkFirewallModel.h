#pragma once

#include "network/FirewallCheck.h"
#include "network/NetworkFirewallRuleModel.h"

#include <QObject>
#include <QPointer>

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
    // "checking" until a first check has ended, then "allowed", "blocked" or "unknown"
    // (a firewall whose rules this user may not read).
    Q_PROPERTY(QString State READ state NOTIFY firewallStatusChanged)
    // What a user with administrator rights runs to open the port; empty if none.
    Q_PROPERTY(QString OpenPortCommand READ openPortCommand NOTIFY firewallStatusChanged)

public:
    explicit NetworkFirewallModel(QObject* parent = nullptr);
    NetworkFirewallModel(FirewallRuleSource rules, FirewallProfileSource profiles, QObject* parent = nullptr);
    // Shows what the check reads; refresh() asks it for a new check. port gives the
    // port to open.
    NetworkFirewallModel(FirewallCheck& check, std::function<int()> port, QObject* parent = nullptr);

    // Without a check, each read asks the firewall again.
    bool publicRequired() const { return m_profiles().contains(FirewallProfile_e::Public); }
    bool privateRequired() const { return m_profiles().contains(FirewallProfile_e::Private); }
    bool domainRequired() const { return m_profiles().contains(FirewallProfile_e::Domain); }
    NetworkFirewallRuleModel* tcp() const { return m_tcp; }
    NetworkFirewallRuleModel* udp() const { return m_udp; }
    QString state() const;
    QString openPortCommand() const;

    Q_INVOKABLE void refresh();

Q_SIGNALS:
    void firewallStatusChanged();
    void tcpRuleChanged();
    void udpRuleChanged();

private:
    void showCheck();

    QPointer<FirewallCheck> m_check;
    std::function<int()> m_port;
    FirewallProfileSource m_profiles;
    NetworkFirewallRuleModel* m_tcp;
    NetworkFirewallRuleModel* m_udp;
};

} // namespace tessivar::network
