#include "device/CurrentDevice.h"

#include "core/ApplicationConstants.h"

#include <QDebug>

namespace tessivar::device {

CurrentDevice::CurrentDevice(const NetworkDeviceId_t& id, const QString& name)
    : m_name(name)
    , m_id(id)
{
}

void CurrentDevice::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "CurrentDevice[Id=" << m_id << ", Name=" << m_name << "]";
}

void CurrentDevice::Register(const QString&, ApplicationType_e, const QVersionNumber&) {}

void CurrentDevice::SetId(const NetworkDeviceId_t& id)
{
    m_id = id;
}

void CurrentDevice::SetName(const QString& name)
{
    m_name = name;
}

void CurrentDevice::SetKnown(bool) {}

void CurrentDevice::SetConnected(bool) {}

void CurrentDevice::SetAddress(const QHostAddress&) {}

void CurrentDevice::SetVersion(const QVersionNumber&)
{
    qFatal("Can't change version of local device");
}

void CurrentDevice::SetApplicationType(ApplicationType_e) {}

const NetworkDeviceId_t& CurrentDevice::GetId() const
{
    return m_id;
}

const QString& CurrentDevice::GetName() const
{
    return m_name;
}

bool CurrentDevice::IsKnown() const
{
    return true;
}

QHostAddress CurrentDevice::GetAddress() const
{
    return QHostAddress(QHostAddress::LocalHost);
}

QVersionNumber CurrentDevice::GetVersion() const
{
    return softwareVersion();
}

ApplicationType_e CurrentDevice::GetApplicationType() const
{
    return ApplicationType_e::Server;
}

bool CurrentDevice::IsConnected() const
{
    return true;
}

bool CurrentDevice::IsRegistered() const
{
    return true;
}

bool CurrentDevice::IsAddedManually() const
{
    return false;
}

void CurrentDevice::OnConnectionChanged(ConnectionCallback) {}

DeviceModel* CurrentDevice::GetModel() const
{
    return nullptr;
}

} // namespace tessivar::device
