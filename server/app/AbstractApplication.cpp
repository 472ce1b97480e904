#include "app/AbstractApplication.h"

#include "app/ApplicationConstants.h"
#include "device/LocalNetworkDevice.h"

#include <QCoreApplication>
#include <QHostAddress>

namespace tessivar {

AbstractApplication::AbstractApplication(Configuration& configuration, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_deviceManager(std::make_unique<device::DeviceManager>(configuration))
{
    qRegisterMetaType<quint32>("BlockId_t");
}

AbstractApplication::~AbstractApplication() = default;

void AbstractApplication::addDevice(const QString& address)
{
    const QHostAddress hostAddress(address);
    if (hostAddress.isNull())
        return;
    m_deviceManager->AddDevice(std::make_unique<device::LocalNetworkDevice>(hostAddress));
}

void AbstractApplication::removeDevice(const NetworkDeviceId_t& deviceId)
{
    m_deviceManager->RemoveDevice(deviceId);
}

void AbstractApplication::exit()
{
    QCoreApplication::exit(0);
}

QString AbstractApplication::getSoftwareVersion() const
{
    return softwareVersion().toString();
}

device::DeviceManager& AbstractApplication::deviceManager()
{
    return *m_deviceManager;
}

Configuration& AbstractApplication::configuration()
{
    return m_configuration;
}

} // namespace tessivar
