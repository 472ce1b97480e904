#include "network/NetworkFirewallModel.h"

namespace tessivar::network {

NetworkFirewallModel::NetworkFirewallModel(QObject* parent)
    : NetworkFirewallModel(ownFirewallRules, currentFirewallProfiles, parent)
{
}

NetworkFirewallModel::NetworkFirewallModel(FirewallRuleSource rules, FirewallProfileSource profiles, QObject* parent)
    : QObject(parent)
    , m_profiles(std::move(profiles))
    , m_tcp(new NetworkFirewallRuleModel(FirewallProtocol_e::Tcp, rules, this))
    , m_udp(new NetworkFirewallRuleModel(FirewallProtocol_e::Udp, rules, this))
{
}

void NetworkFirewallModel::refresh()
{
    m_tcp->refresh();
    m_udp->refresh();
    Q_EMIT firewallStatusChanged();
}

} // namespace tessivar::network
