#pragma once

#include "core/DeviceTypes.h"

#include <functional>
#include <memory>

namespace tessivar::device {

class IDevice;
class DeviceManagerModel;

// Owner of every device object of the server: the local one and the remote ones.
class IDeviceManager
{
public:
    using DeviceCallback = std::function<void(const IDevice&)>;

    IDeviceManager(const IDeviceManager&) = delete;
    IDeviceManager& operator=(const IDeviceManager&) = delete;
    virtual ~IDeviceManager() = default;

    // The device now held for it: the new one, or a held one that absorbed it.
    virtual IDevice& AddDevice(std::unique_ptr<IDevice> device) = 0;
    // AddDevice() of a device first heard from on the network, under its id and type.
    virtual IDevice& AddNetworkDevice(const NetworkDeviceId_t& id, ApplicationType_e type) = 0;
    virtual void RemoveDevice(const NetworkDeviceId_t& id) = 0;
    virtual void SaveKnownDevices() = 0;
    virtual void SetDeviceConnectedCallback(DeviceCallback callback) = 0;
    virtual void SetDeviceDisconnectedCallback(DeviceCallback callback) = 0;
    // A remote device, null when there is none; the local one is never returned.
    virtual IDevice* GetDevice(const NetworkDeviceId_t& id) = 0;
    virtual IDevice& GetCurrentDevice() = 0;
    virtual const IDevice& GetCurrentDevice() const = 0;
    virtual DeviceManagerModel* GetModel() = 0;
    // Every remote device, in order of addition.
    virtual void ForEachDevice(std::function<void(IDevice&)> fn) = 0;

protected:
    IDeviceManager() = default;
};

} // namespace tessivar::device
