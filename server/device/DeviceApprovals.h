#pragma once

#include "core/DeviceTypes.h"
#include "device/DeviceModel.h"

#include <QObject>
#include <QSet>

namespace tessivar {
class Configuration;
}

namespace tessivar::device {

class DeviceManagerModel;

// The user's approval of new devices, when the configuration asks for it
// ("RequireDeviceApproval"): a device is served only once approved; until then it is
// listed as waiting (or as refused) and what it sends is ignored. Decisions are kept by
// device id in "ApprovedDevices" and "RefusedDevices", so they outlive a restart.
class DeviceApprovals : public QObject
{
    Q_OBJECT
public:
    DeviceApprovals(Configuration& configuration, DeviceManagerModel& devices, QObject* parent = nullptr);

    DeviceModel::Approval_e StateOf(const NetworkDeviceId_t& deviceId) const;
    // Whether a message of this device may be served; an ignored device is logged once.
    bool Admits(const NetworkDeviceId_t& deviceId);
    void Approve(const NetworkDeviceId_t& deviceId);
    void Refuse(const NetworkDeviceId_t& deviceId);

Q_SIGNALS:
    void deviceApproved(const NetworkDeviceId_t& deviceId);

private:
    void decide(const NetworkDeviceId_t& deviceId, bool approved);
    void refreshRows();
    void refreshRow(int row);

    Configuration& m_configuration;
    DeviceManagerModel& m_devices;
    // Ids already logged as ignored, so that a chatty device is logged once. A flood of
    // invented ids cannot make it grow beyond this; it starts over instead.
    static constexpr int kMaxIgnoredLogged = 1024;
    QSet<NetworkDeviceId_t> m_ignoredLogged;
};

} // namespace tessivar::device
