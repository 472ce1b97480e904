#pragma once

#include "communication/network/NetworkClock.h"
#include "communication/network/PeerEndPoint.h"
#include "core/DeviceTypes.h"
#include "core/WriteThrottle.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>

#include <optional>
#include <vector>

class QDebug;

namespace tessivar {
class CommonConfiguration;
}

namespace tessivar::communication {

// One remembered connection: where a device was last connected, and whether that
// connection is open now.
struct DeviceConnectionData_t {
    NetworkDeviceId_t DeviceId;
    network::PeerEndPoint LastKnownEndPoint;
    network::TimePoint LastOnline;
    bool Active = false;
};

// The endpoint through which each device was last connected, at most one record per
// device, kept in the settings as "DeviceConnections" (indented JSON).
class DeviceConnectionList
{
public:
    // A stored list longer than this is cut: there is one record per known device,
    // and nobody keeps thousands of phones, while the settings file is user-editable.
    static constexpr int kMaximumStoredConnections = 4096;

    explicit DeviceConnectionList(CommonConfiguration& configuration, network::Clock clock = network::systemNow);
    // Writes a change still waiting for its turn.
    ~DeviceConnectionList();
    DeviceConnectionList(const DeviceConnectionList&) = delete;
    DeviceConnectionList& operator=(const DeviceConnectionList&) = delete;

    void Load();
    // Does not save.
    void KeepOnly(const QList<NetworkDeviceId_t>& deviceIds);
    void Update(const NetworkDeviceId_t& deviceId, const network::PeerEndPoint& endPoint);
    void SetActive(const NetworkDeviceId_t& deviceId);
    void SetInactive(const NetworkDeviceId_t& deviceId);
    // Forgets the device's record, if it has one (then saves).
    void Remove(const NetworkDeviceId_t& deviceId);
    std::optional<network::PeerEndPoint> FindActiveEndPoint(const NetworkDeviceId_t& deviceId) const;
    std::optional<network::PeerEndPoint> FindInactiveEndPoint(const NetworkDeviceId_t& deviceId) const;
    std::optional<NetworkDeviceId_t> FindActiveDevice(const network::PeerEndPoint& endPoint) const;
    std::optional<NetworkDeviceId_t> FindInactiveDevice(const network::PeerEndPoint& endPoint) const;
    // Writes at once. The changes above save through a throttle: at once when the list
    // was not saved lately, else once shortly after, for all changes made meanwhile.
    void Save() const;
    // Writes a change still waiting for its turn.
    void Flush();

    const std::vector<DeviceConnectionData_t>& GetConnections() const;
    void SetClock(network::Clock clock);

    // The JSON text stored under "DeviceConnections", and the reading of it.
    static QByteArray ToJson(const std::vector<DeviceConnectionData_t>& connections);
    static std::vector<DeviceConnectionData_t> FromJson(const QByteArray& json);

private:
    DeviceConnectionData_t* find(const NetworkDeviceId_t& deviceId);
    const DeviceConnectionData_t* find(const NetworkDeviceId_t& deviceId) const;
    void setFlag(const NetworkDeviceId_t& deviceId, bool active);
    std::optional<NetworkDeviceId_t> findDevice(const network::PeerEndPoint& endPoint, bool active) const;
    void logRecords(const char* verb) const;

    CommonConfiguration& m_configuration;
    network::Clock m_clock;
    std::vector<DeviceConnectionData_t> m_connections;
    // The device of each active connection by address, for the look-up every received
    // message makes; built on demand, dropped whenever the list changes.
    mutable std::optional<QHash<QHostAddress, NetworkDeviceId_t>> m_activeByAddress;
    WriteThrottle m_saveThrottle;
};

// "DeviceConnection[DeviceId=..,LastKnownEndPoint=..,Active=..,LastOnline=<ms>ms ago]",
// the age measured against now.
void PrintDeviceConnection(QDebug& debug, const DeviceConnectionData_t& connection, network::TimePoint now);
QDebug operator<<(QDebug debug, const DeviceConnectionData_t& connection);

} // namespace tessivar::communication
