#pragma once

#include <QNetworkInterface>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tessivar::network {

// One network interface of the PC as the network status page shows it.
class NetworkInterfaceModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString InterfaceName READ InterfaceName NOTIFY interfaceChanged)
    Q_PROPERTY(QString IpAddress READ IpAddress NOTIFY interfaceChanged)
    Q_PROPERTY(QStringList IpAddresses READ IpAddresses NOTIFY interfaceChanged)
    Q_PROPERTY(bool Active READ Active NOTIFY interfaceChanged)
    Q_PROPERTY(bool IsWifi READ IsWifi NOTIFY interfaceChanged)

public:
    explicit NetworkInterfaceModel(const QNetworkInterface& networkInterface, QObject* parent = nullptr);

    void setInterface(const QNetworkInterface& networkInterface);
    const QNetworkInterface& networkInterface() const;

    QString InterfaceName() const;
    // The first IPv4 address; empty when the interface has none.
    QString IpAddress() const;
    // Every address of the interface, IPv4 before IPv6, each in the order listed.
    QStringList IpAddresses() const;
    bool Active() const;
    bool IsWifi() const;

Q_SIGNALS:
    void interfaceChanged();

private:
    QNetworkInterface m_interface;
};

QDebug operator<<(QDebug debug, const NetworkInterfaceModel* model);

} // namespace tessivar::network
