#pragma once

#include "core/WriteThrottle.h"
#include "device/CurrentDevice.h"
#include "device/DeleteLater.h"
#include "device/DeviceManagerModel.h"
#include "device/IDeviceManager.h"

#include <vector>

class QDebug;

namespace tessivar {
class CommonConfiguration;
}

namespace tessivar::device {

// Owns the devices, merges duplicates, remembers the registered ones in the
// configuration's "KnownDevices" across restarts, reports connection changes and
// feeds the device list of the user interface.
class DeviceManager final : public IDeviceManager
{
public:
    // Restores the known devices stored in the configuration; writes nothing.
    explicit DeviceManager(CommonConfiguration& configuration);
    ~DeviceManager() override;

    IDevice& AddDevice(std::unique_ptr<IDevice> device) override;
    IDevice& AddNetworkDevice(const NetworkDeviceId_t& id, ApplicationType_e type) override;
    // An empty id forgets the first device added by hand that has no id yet.
    void RemoveDevice(const NetworkDeviceId_t& id) override;
    // Through a throttle: at once when the list was not saved lately, else once shortly
    // after for every request made meanwhile (registrations come in crowds).
    void SaveKnownDevices() override;
    // Writes a save still waiting for its turn.
    void FlushKnownDevices();
    void SetDeviceConnectedCallback(DeviceCallback callback) override;
    void SetDeviceDisconnectedCallback(DeviceCallback callback) override;
    // Empty for an empty id: a device without an id is nobody's match.
    IDevice* GetDevice(const NetworkDeviceId_t& id) override;
    IDevice& GetCurrentDevice() override;
    const IDevice& GetCurrentDevice() const override;
    DeviceManagerModel* GetModel() override;
    void ForEachDevice(std::function<void(IDevice&)> fn) override;

    int GetDeviceCount() const;

private:
    // Whether the device belongs in the stored list of known devices.
    static bool isStored(const IDevice& device);
    void restoreKnownDevices();
    void writeKnownDevices();
    void holdDevice(std::unique_ptr<IDevice> device);
    void forwardConnectionChanges(IDevice& device);
    IDevice* findById(const NetworkDeviceId_t& id) const;
    IDevice* findByAddress(const QHostAddress& address) const;

    CommonConfiguration& m_configuration;
    CurrentDevice m_currentDevice;
    std::vector<std::unique_ptr<IDevice>> m_devices;
    DeleteLaterPtr<DeviceManagerModel> m_model;
    DeviceCallback m_connectedCallback;
    DeviceCallback m_disconnectedCallback;
    WriteThrottle m_saveThrottle;
};

QDebug operator<<(QDebug debug, const DeviceManager& manager);

} // namespace tessivar::device
