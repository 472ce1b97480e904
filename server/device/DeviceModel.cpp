#include "device/DeviceModel.h"

#include <QDebug>

namespace tessivar::device {

namespace {

// Assigns only a different value; the caller decides whether to notify.
template<typename T>
bool assign(T& member, const T& value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

DeviceModel::DeviceModel(QObject* parent)
    : QObject(parent)
{
}

QString DeviceModel::GetAddressText() const
{
    return m_data.address.toString();
}

QString DeviceModel::GetVersionText() const
{
    if (m_data.version.segmentCount() == 0 || m_data.version.majorVersion() == 0)
        return tr("Unknown");
    return m_data.version.toString();
}

void DeviceModel::SetId(const NetworkDeviceId_t& id)
{
    assign(m_data.id, id);
    Q_EMIT IdChanged();
}

void DeviceModel::SetName(const QString& name)
{
    assign(m_data.name, name);
    Q_EMIT NameChanged();
}

void DeviceModel::SetApplicationType(ApplicationType_e type)
{
    assign(m_data.applicationType, type);
    Q_EMIT ApplicationTypeChanged();
}

void DeviceModel::SetAddress(const QHostAddress& address)
{
    assign(m_data.address, address);
    Q_EMIT AddressChanged();
}

void DeviceModel::SetVersion(const QVersionNumber& version)
{
    assign(m_data.version, version);
    Q_EMIT VersionChanged();
}

void DeviceModel::SetConnected(bool connected)
{
    if (assign(m_connected, connected))
        Q_EMIT ConnectedChanged();
}

void DeviceModel::SetRegistered(bool registered)
{
    if (assign(m_registered, registered))
        Q_EMIT RegisteredChanged();
}

void DeviceModel::SetApproval(Approval_e approval)
{
    if (assign(m_approval, approval))
        Q_EMIT ApprovalChanged();
}

void DeviceModel::SetKnown(bool known)
{
    assign(m_data.known, known);
    Q_EMIT KnownChanged();
}

QDebug operator<<(QDebug debug, const DeviceModel& model)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "DeviceModel[Id=" << model.GetId() << ", Name=" << model.GetName()
                              << ", Connected=" << model.IsConnected() << ", Registered=" << model.IsRegistered()
                              << ", Known=" << model.IsKnown() << "]";
    return debug;
}

} // namespace tessivar::device
