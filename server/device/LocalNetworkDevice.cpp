#include "device/LocalNetworkDevice.h"

#include <QDebug>

namespace tessivar::device {

LocalNetworkDevice::LocalNetworkDevice()
    : m_model(new DeviceModel)
{
}

LocalNetworkDevice::LocalNetworkDevice(const QHostAddress& address)
    : LocalNetworkDevice()
{
    m_addedManually = true;
    SetAddress(address);
}

LocalNetworkDevice::LocalNetworkDevice(const NetworkDeviceId_t& id, const QHostAddress& address)
    : LocalNetworkDevice()
{
    SetId(id);
    SetAddress(address);
}

LocalNetworkDevice::LocalNetworkDevice(const NetworkDeviceId_t& id, ApplicationType_e type)
    : LocalNetworkDevice()
{
    SetId(id);
    SetApplicationType(type);
}

LocalNetworkDevice::~LocalNetworkDevice()
{
    for (const auto& connection : m_callbackConnections)
        QObject::disconnect(connection);
}

void LocalNetworkDevice::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "LocalNetworkDevice[";
    if (m_addedManually) {
        debug << "AddedManually, Address=" << GetAddress().toString() << "]";
        return;
    }
    debug << "Connected=" << IsConnected() << ", Id=" << GetId() << ", Name=" << GetName()
          << ", ApplicationType=" << applicationTypeName(GetApplicationType())
          << ", Address=" << GetAddress().toString() << ", Version=" << GetVersion() << "]";
}

void LocalNetworkDevice::Register(const QString& name, ApplicationType_e type, const QVersionNumber& version)
{
    m_addedManually = false;
    SetName(name);
    SetApplicationType(type);
    SetVersion(version);
    m_model->SetRegistered(true);
    m_model->SetKnown(true);
}

void LocalNetworkDevice::SetId(const NetworkDeviceId_t& id)
{
    m_model->SetId(id);
}

void LocalNetworkDevice::SetName(const QString& name)
{
    m_model->SetName(name);
}

void LocalNetworkDevice::SetKnown(bool known)
{
    m_model->SetKnown(known);
}

void LocalNetworkDevice::SetConnected(bool connected)
{
    // Registration belongs to one connection; clear it first so that whoever reacts to
    // the disconnection never sees a disconnected yet registered device.
    if (!connected)
        m_model->SetRegistered(false);
    m_model->SetConnected(connected);
}

void LocalNetworkDevice::SetAddress(const QHostAddress& address)
{
    m_model->SetAddress(address);
}

void LocalNetworkDevice::SetVersion(const QVersionNumber& version)
{
    m_model->SetVersion(version);
}

void LocalNetworkDevice::SetApplicationType(ApplicationType_e type)
{
    m_model->SetApplicationType(type);
}

const NetworkDeviceId_t& LocalNetworkDevice::GetId() const
{
    return m_model->GetId();
}

const QString& LocalNetworkDevice::GetName() const
{
    return m_model->GetName();
}

bool LocalNetworkDevice::IsKnown() const
{
    return m_model->IsKnown();
}

QHostAddress LocalNetworkDevice::GetAddress() const
{
    return m_model->GetAddress();
}

QVersionNumber LocalNetworkDevice::GetVersion() const
{
    return m_model->GetVersion();
}

ApplicationType_e LocalNetworkDevice::GetApplicationType() const
{
    return m_model->GetApplicationType();
}

bool LocalNetworkDevice::IsConnected() const
{
    return m_model->IsConnected();
}

bool LocalNetworkDevice::IsRegistered() const
{
    return m_model->IsRegistered();
}

bool LocalNetworkDevice::IsAddedManually() const
{
    return m_addedManually;
}

void LocalNetworkDevice::OnConnectionChanged(ConnectionCallback callback)
{
    auto forward = [this, callback = std::move(callback)]() { callback(*this, IsConnected()); };
    m_callbackConnections.push_back(
        QObject::connect(m_model.get(), &DeviceModel::ConnectedChanged, m_model.get(), std::move(forward)));
}

DeviceModel* LocalNetworkDevice::GetModel() const
{
    return m_model.get();
}

} // namespace tessivar::device
