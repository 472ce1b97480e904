#include "network/NetworkInterfaceModel.h"

#include "core/Logging.h"

#include <QDebug>

namespace tessivar::network {

NetworkInterfaceModel::NetworkInterfaceModel(const QNetworkInterface& networkInterface, QObject* parent)
    : QObject(parent)
{
    setInterface(networkInterface);
}

void NetworkInterfaceModel::setInterface(const QNetworkInterface& networkInterface)
{
    m_interface = networkInterface;
    qCDebug(lcNetwork) << "Network interface" << InterfaceName() << IpAddress();
    Q_EMIT interfaceChanged();
}

const QNetworkInterface& NetworkInterfaceModel::networkInterface() const
{
    return m_interface;
}

QString NetworkInterfaceModel::InterfaceName() const
{
    return m_interface.humanReadableName();
}

QString NetworkInterfaceModel::IpAddress() const
{
    const QList<QNetworkAddressEntry> entries = m_interface.addressEntries();
    for (const QNetworkAddressEntry& entry : entries) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
            return entry.ip().toString();
    }
    return {};
}

QStringList NetworkInterfaceModel::IpAddresses() const
{
    QStringList ipv4;
    QStringList others;
    const QList<QNetworkAddressEntry> entries = m_interface.addressEntries();
    for (const QNetworkAddressEntry& entry : entries) {
        const QHostAddress ip = entry.ip();
        (ip.protocol() == QAbstractSocket::IPv4Protocol ? ipv4 : others).append(ip.toString());
    }
    return ipv4 + others;
}

bool NetworkInterfaceModel::Active() const
{
    return m_interface.flags().testFlag(QNetworkInterface::IsUp);
}

bool NetworkInterfaceModel::IsWifi() const
{
    return m_interface.type() == QNetworkInterface::Wifi;
}

QDebug operator<<(QDebug debug, const NetworkInterfaceModel* model)
{
    QDebugStateSaver saver(debug);
    if (!model)
        return debug << "NetworkInterfaceModel(nullptr)";
    debug.nospace() << "NetworkInterfaceModel[InterfaceName=" << model->InterfaceName()
                    << ", IpAddress=" << model->IpAddress() << ", Active=" << model->Active()
                    << ", IsWifi=" << model->IsWifi() << "]";
    return debug;
}

} // namespace tessivar::network
