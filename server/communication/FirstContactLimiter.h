#pragma once

#include "communication/network/NetworkClock.h"
#include "core/DeviceTypes.h"

#include <QHostAddress>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tessivar::device {
class IDeviceManager;
}

namespace tessivar::communication {

// Bounds the devices created on first contact that have not registered yet, in all and
// per address: past a bound the oldest unconnected one is forgotten, so that a flood
// of invented ids costs its sender and nobody else.
class FirstContactLimiter
{
public:
    // Devices created on first contact that have not registered yet cost a device object
    // and a row in the user interface each. A classroom of tablets arriving together
    // stays far below this; past it the oldest unconnected one is forgotten.
    static constexpr int kMaximumUnregisteredDevices = 1024;
    // A flood of invented ids comes from few addresses: each address may hold this many
    // unregistered devices (a few clients behind one address), then its own oldest
    // unconnected one is forgotten, so the flood costs its sender and nobody else.
    static constexpr int kMaximumUnregisteredDevicesPerAddress = 8;
    // Dropped first contacts are reported at most this often, with a count.
    static constexpr std::chrono::seconds kDroppedContactLogInterval{10};

    // `forget` removes a device that makes room, with whatever is kept for it.
    FirstContactLimiter(device::IDeviceManager& deviceManager, std::function<void(const NetworkDeviceId_t&)> forget);

    void SetClock(network::Clock clock) { m_clock = std::move(clock); }

    // Whether a device may be created for a new sender from `address`; room is made by
    // forgetting the oldest unconnected unregistered device where a bound is reached.
    bool Admit(const NetworkDeviceId_t& senderId, const QHostAddress& address);
    // A device created for a first contact from `address`, to be counted until it registers.
    void Created(const NetworkDeviceId_t& deviceId, const QHostAddress& address);

private:
    struct FirstContact {
        NetworkDeviceId_t deviceId;
        QHostAddress address;
    };

    bool makeRoom(const QHostAddress* address, int limit);
    void forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId, const QHostAddress& address);

    device::IDeviceManager& m_deviceManager;
    std::function<void(const NetworkDeviceId_t&)> m_forget;
    network::Clock m_clock = network::systemNow;
    // Devices created that have not registered yet, oldest first, with the address of
    // their first message (pruned lazily).
    std::vector<FirstContact> m_devices;
    std::optional<network::TimePoint> m_lastDroppedContactLog;
    int m_droppedContactsSinceLog = 0;
};

} // namespace tessivar::communication
