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

NetworkFirewallModel::NetworkFirewallModel(FirewallCheck& check, std::function<int()> port, QObject* parent)
    : NetworkFirewallModel(
        [source = QPointer<FirewallCheck>(&check)] { return source ? source->rules() : QList<FirewallRule_t>(); },
        [source = QPointer<FirewallCheck>(&check)] { return source ? source->profiles() : QList<FirewallProfile_e>(); },
        parent)
{
    m_check = &check;
    m_port = std::move(port);
    connect(&check, &FirewallCheck::finished, this, &NetworkFirewallModel::showCheck);
}

QString NetworkFirewallModel::state() const
{
    if (!m_check) {
        const QList<FirewallRule_t> rules = m_tcp->rules();
        const QList<FirewallProfile_e> profiles = m_profiles();
        const bool allowed = firewallAllows(rules, profiles, FirewallProtocol_e::Udp)
            && firewallAllows(rules, profiles, FirewallProtocol_e::Tcp);
        return allowed ? QStringLiteral("allowed") : QStringLiteral("blocked");
    }
    if (!m_check->checked())
        return QStringLiteral("checking");
    switch (m_check->state()) {
    case FirewallState_e::Allowed:
        return QStringLiteral("allowed");
    case FirewallState_e::Blocked:
        return QStringLiteral("blocked");
    case FirewallState_e::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString NetworkFirewallModel::openPortCommand() const
{
    if (!m_check || !m_port)
        return {};
    return QString::fromStdString(platform::openPortCommand(m_check->firewallName().toStdString(), m_port()));
}

void NetworkFirewallModel::showCheck()
{
    m_tcp->refresh();
    m_udp->refresh();
    Q_EMIT firewallStatusChanged();
}

void NetworkFirewallModel::refresh()
{
    if (m_check) {
        m_check->request();
        return;
    }
    m_tcp->refresh();
    m_udp->refresh();
    Q_EMIT firewallStatusChanged();
}

} // namespace tessivar::network
