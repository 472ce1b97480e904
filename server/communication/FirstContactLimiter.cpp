#include "communication/FirstContactLimiter.h"

#include "core/Logging.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"

#include <QDebug>

#include <algorithm>

namespace tessivar::communication {

FirstContactLimiter::FirstContactLimiter(device::IDeviceManager& deviceManager,
                                         std::function<void(const NetworkDeviceId_t&)> forget)
    : m_deviceManager(deviceManager)
    , m_forget(std::move(forget))
{
}

bool FirstContactLimiter::Admit(const NetworkDeviceId_t& senderId, const QHostAddress& address)
{
    // Devices that registered or were removed since no longer count against the bounds.
    m_devices.erase(std::remove_if(m_devices.begin(), m_devices.end(),
                                   [this](const FirstContact& contact) {
                                       device::IDevice* device = m_deviceManager.GetDevice(contact.deviceId);
                                       return !device || device->IsRegistered();
                                   }),
                    m_devices.end());
    if (makeRoom(&address, kMaximumUnregisteredDevicesPerAddress) && makeRoom(nullptr, kMaximumUnregisteredDevices))
        return true;

    // Every device in the way is connected: the newcomer waits for one to register or leave.
    qCWarning(lcCommunication).nospace().noquote() << "Too many unregistered devices [" << m_devices.size()
                                                   << "], dropping message from new device [" << senderId << "]";
    return false;
}

void FirstContactLimiter::Created(const NetworkDeviceId_t& deviceId, const QHostAddress& address)
{
    m_devices.push_back(FirstContact{deviceId, address});
}

bool FirstContactLimiter::makeRoom(const QHostAddress* address, int limit)
{
    const auto counted = [address](const FirstContact& contact) { return !address || contact.address == *address; };
    if (std::count_if(m_devices.cbegin(), m_devices.cend(), counted) < limit)
        return true;
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if (!counted(*it))
            continue;
        device::IDevice* device = m_deviceManager.GetDevice(it->deviceId);
        if (device && device->IsConnected())
            continue;
        const FirstContact oldest = *it;
        m_devices.erase(it);
        forgetUnregisteredDevice(oldest.deviceId, oldest.address);
        return true;
    }
    return false;
}

void FirstContactLimiter::forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId, const QHostAddress& address)
{
    ++m_droppedContactsSinceLog;
    const network::TimePoint now = m_clock();
    if (!m_lastDroppedContactLog || now - *m_lastDroppedContactLog >= kDroppedContactLogInterval) {
        qCWarning(lcCommunication).nospace().noquote()
            << "Too many unregistered devices, forgetting device [" << deviceId << "] first heard from ["
            << address.toString() << "] and [" << m_droppedContactsSinceLog - 1 << "] other(s) since the last report";
        m_lastDroppedContactLog = now;
        m_droppedContactsSinceLog = 0;
    }
    m_forget(deviceId);
}

} // namespace tessivar::communication
