#include "network/NetworkStatusModel.h"

namespace tessivar::network {

NetworkStatusModel::NetworkStatusModel(QObject* parent)
    : QObject(parent)
    , m_interfaces(new NetworkInterfaces(this))
{
}

NetworkStatusModel::NetworkStatusModel(NetworkInterfaces::InterfaceSource source, QObject* parent)
    : QObject(parent)
    , m_interfaces(new NetworkInterfaces(std::move(source), this))
{
}

NetworkInterfaces* NetworkStatusModel::Interfaces() const
{
    return m_interfaces;
}

QObject* NetworkStatusModel::Firewall() const
{
    return m_firewall;
}

void NetworkStatusModel::setFirewall(QObject* firewall)
{
    if (m_firewall == firewall)
        return;
    if (m_firewall)
        disconnect(m_firewall, &QObject::destroyed, this, &NetworkStatusModel::firewallChanged);
    m_firewall = firewall;
    if (firewall)
        connect(firewall, &QObject::destroyed, this, &NetworkStatusModel::firewallChanged);
    Q_EMIT firewallChanged();
}

} // namespace tessivar::network
