#pragma once

#include "communication/network/PeerEndPoint.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"

#include <QHostAddress>

#include <chrono>
#include <set>

namespace tessivar::device {
class IDevice;
class IDeviceManager;
} // namespace tessivar::device

namespace tessivar::communication {

class DatagramFilter;
class DeviceConnectionList;

namespace network {
class SocketManager;
}

// Ties WebSocket connections to devices: by the earlier datagrams or the saved record
// of their address (a guess, until a message of the device confirms it), or by the
// first message that comes over them. A device that reappears over another connection
// takes it over once its old one has been silent for a few greetings.
class ConnectionAttribution
{
public:
    // A live device answers the server's greeting this often...
    static constexpr std::chrono::milliseconds kDefaultGreetingInterval{2000};
    // ...so a connection that missed this many greetings no longer keeps a device that
    // reappears over another connection (a phone that changed networks) waiting.
    static constexpr int kMissedGreetingsBeforeTakeover = 3;

    ConnectionAttribution(device::IDeviceManager& deviceManager, network::SocketManager& socketManager,
                          DeviceConnectionList& connections, DatagramFilter& datagrams, LogFloodGuard& dropLog);

    void SetGreetingInterval(std::chrono::milliseconds interval) { m_greetingInterval = interval; }

    // Whether a message of `senderId` over the connection at `endPoint` is taken: not
    // when the connection is another device's, or the sender is connected over another
    // one that still answers.
    bool AdmitOverConnection(const NetworkDeviceId_t& senderId, const network::PeerEndPoint& endPoint);
    // A message of `device` came from `endPoint`: a connection there that waited for
    // its device is now this one's.
    void Attribute(device::IDevice& device, const network::PeerEndPoint& endPoint);
    // The server connects to that address: the connection waits for its device.
    void ConnectingTo(const network::PeerEndPoint& endPoint);

    void PeerConnected(const network::PeerEndPoint& endPoint);
    void PeerDisconnected(const network::PeerEndPoint& endPoint);

    // A device the user added by its address.
    device::IDevice* FindDeviceAddedByHand(const QHostAddress& address) const;

private:
    bool admitOverNewConnection(const NetworkDeviceId_t& senderId, const network::PeerEndPoint& endPoint);
    void processConnection(device::IDevice& device, const network::PeerEndPoint& endPoint);

    device::IDeviceManager& m_deviceManager;
    network::SocketManager& m_socketManager;
    DeviceConnectionList& m_connections;
    DatagramFilter& m_datagrams;
    LogFloodGuard& m_dropLog;
    std::set<network::PeerEndPoint> m_pendingPeers;
    // Connections given to a device by their address alone (earlier datagrams or a saved
    // record), until a message of that device confirms them.
    std::set<network::PeerEndPoint> m_guessedConnections;
    std::chrono::milliseconds m_greetingInterval = kDefaultGreetingInterval;
};

} // namespace tessivar::communication
