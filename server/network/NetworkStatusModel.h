#pragma once

#include "network/NetworkInterfaces.h"

#include <QObject>
#include <QPointer>

namespace tessivar::network {

// What the network status page shows: the interfaces, and the firewall state once a
// firewall model has been handed over (null until then).
class NetworkStatusModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(tessivar::network::NetworkInterfaces* Interfaces READ Interfaces CONSTANT)
    Q_PROPERTY(QObject* Firewall READ Firewall NOTIFY firewallChanged)

public:
    explicit NetworkStatusModel(QObject* parent = nullptr);
    // Tests list the interfaces of their choice.
    NetworkStatusModel(NetworkInterfaces::InterfaceSource source, QObject* parent = nullptr);

    NetworkInterfaces* Interfaces() const;
    QObject* Firewall() const;
    // The firewall model stays owned by whoever made it; the property goes back to null
    // when it is destroyed.
    void setFirewall(QObject* firewall);

Q_SIGNALS:
    void firewallChanged();

private:
    NetworkInterfaces* m_interfaces;
    QPointer<QObject> m_firewall;
};

} // namespace tessivar::network
