#include "device/DeviceApprovals.h"

#include "core/Configuration.h"
#include "core/Logging.h"
#include "device/DeviceManagerModel.h"

#include <QDebug>

namespace tessivar::device {

DeviceApprovals::DeviceApprovals(Configuration& configuration, DeviceManagerModel& devices, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_devices(devices)
{
    connect(&m_devices, &DeviceManagerModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row)
            refreshRow(row);
    });
    connect(&m_devices, &DeviceManagerModel::DeviceApprovalDecided, this, &DeviceApprovals::decide);
    connect(&m_configuration, &Configuration::RequireDeviceApprovalChanged, this, &DeviceApprovals::refreshRows);
    refreshRows();
}

DeviceModel::Approval_e DeviceApprovals::StateOf(const NetworkDeviceId_t& deviceId) const
{
    if (!m_configuration.RequireDeviceApproval() || m_configuration.ApprovedDevices().contains(deviceId))
        return DeviceModel::Approval_e::Approved;
    return m_configuration.RefusedDevices().contains(deviceId) ? DeviceModel::Approval_e::Refused
                                                               : DeviceModel::Approval_e::Waiting;
}

bool DeviceApprovals::Admits(const NetworkDeviceId_t& deviceId)
{
    const DeviceModel::Approval_e state = StateOf(deviceId);
    if (state == DeviceModel::Approval_e::Approved)
        return true;
    if (!m_ignoredLogged.contains(deviceId)) {
        if (m_ignoredLogged.size() >= kMaxIgnoredLogged)
            m_ignoredLogged.clear();
        m_ignoredLogged.insert(deviceId);
        qCInfo(lcDevice).nospace() << (state == DeviceModel::Approval_e::Refused
                                           ? "Ignoring messages of refused device ["
                                           : "Device waiting for approval [")
                                   << deviceId << "]";
        // The device may be new to the list since the last refresh.
        refreshRows();
    }
    return false;
}

void DeviceApprovals::Approve(const NetworkDeviceId_t& deviceId)
{
    decide(deviceId, true);
}

void DeviceApprovals::Refuse(const NetworkDeviceId_t& deviceId)
{
    decide(deviceId, false);
}

void DeviceApprovals::decide(const NetworkDeviceId_t& deviceId, bool approved)
{
    if (deviceId.isEmpty())
        return;
    QStringList approvedIds = m_configuration.ApprovedDevices();
    QStringList refusedIds = m_configuration.RefusedDevices();
    approvedIds.removeAll(deviceId);
    refusedIds.removeAll(deviceId);
    (approved ? approvedIds : refusedIds).append(deviceId);
    m_configuration.setApprovedDevices(approvedIds);
    m_configuration.setRefusedDevices(refusedIds);
    m_ignoredLogged.remove(deviceId);
    qCInfo(lcDevice).nospace() << (approved ? "Device approved [" : "Device refused [") << deviceId << "]";
    refreshRows();
    if (approved)
        Q_EMIT deviceApproved(deviceId);
}

void DeviceApprovals::refreshRows()
{
    for (int row = 0; row < m_devices.rowCount(); ++row)
        refreshRow(row);
}

void DeviceApprovals::refreshRow(int row)
{
    if (auto* model = qobject_cast<DeviceModel*>(m_devices.GetDeviceByIndex(row)); model && !model->GetId().isEmpty())
        model->SetApproval(StateOf(model->GetId()));
}

} // namespace tessivar::device
