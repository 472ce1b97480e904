#pragma once

#include "communication/DeviceConnectionList.h"
#include "communication/ICommunicationHandler.h"
#include "communication/MessageCodec.h"
#include "communication/network/NetworkClock.h"
#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"
#include "communication/network/SocketManager.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"

#include <QList>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace tessivar {
class CommonConfiguration;
}

namespace tessivar::device {
class IDevice;
class IDeviceManager;
} // namespace tessivar::device

namespace tessivar::communication {

// Turns outgoing messages into bytes on the right transport, and received bytes into
// messages attributed to devices: creates devices on first contact, drops echoes,
// other servers and repeated datagrams, ties WebSocket connections to devices and
// remembers them in the device connection list.
class CommunicationHandler final : public ICommunicationHandler
{
    Q_OBJECT
public:
    // Devices created on first contact that have not registered yet cost a device object
    // and a row in the user interface each. A classroom of tablets arriving together
    // stays far below this; past it the oldest unconnected one is forgotten.
    static constexpr int kMaximumUnregisteredDevices = 1024;
    // A flood of invented ids comes from few addresses: each address may hold this many
    // unregistered devices (a few clients behind one address), then its own oldest
    // unconnected one is forgotten, so the flood costs its sender and nobody else.
    static constexpr int kMaximumUnregisteredDevicesPerAddress = 8;
    // Addresses remembered per not-yet-connected device; one is the normal case.
    static constexpr int kMaximumDatagramEndPointsPerDevice = 8;
    // A live device answers the server's greeting this often...
    static constexpr std::chrono::milliseconds kDefaultGreetingInterval{2000};
    // ...so a connection that missed this many greetings no longer keeps a device that
    // reappears over another connection (a phone that changed networks) waiting.
    static constexpr int kMissedGreetingsBeforeTakeover = 3;
    // Dropped first contacts are reported at most this often, with a count.
    static constexpr std::chrono::seconds kDroppedContactLogInterval{10};

    // The connection list is kept in the given configuration (the program's "config").
    CommunicationHandler(device::IDeviceManager* deviceManager, device::ApplicationType_e type, quint16 port,
                         CommonConfiguration& configuration);
    ~CommunicationHandler() override;

    void AddListenerSocket(std::unique_ptr<network::INonConnectedSocket> socket) override;
    bool ConnectToDevice(const NetworkDeviceId_t& deviceId) override;
    bool ConnectToEndPoint(const QHostAddress& address) override;
    void SendMessage(const MessageEmission& emission) override;
    void Start() override;

    // Injection points for tests: the time source of the connection records and of
    // the dropped-contact reports, and the socket manager itself.
    void SetClock(network::Clock clock);
    void SetGreetingInterval(std::chrono::milliseconds interval);
    network::SocketManager& GetSocketManager();
    const DeviceConnectionList& GetDeviceConnectionList() const;
    quint16 GetPort() const;
    // Devices for which datagram addresses or sequence ids are kept, to see them bounded.
    size_t GetTrackedDatagramSenderCount() const;

private Q_SLOTS:
    void OnDataReceived(const QByteArray& data, const tessivar::communication::network::PeerEndPoint& endPoint,
                        bool connected);
    void OnPeerConnected(const tessivar::communication::network::PeerEndPoint& endPoint);
    void OnPeerDisconnected(const tessivar::communication::network::PeerEndPoint& endPoint);
    void OnNetworkError(tessivar::communication::network::SocketError error);

private:
    bool admitOverConnection(const NetworkDeviceId_t& senderId, const network::PeerEndPoint& endPoint);
    bool admitOverNewConnection(const NetworkDeviceId_t& senderId, const network::PeerEndPoint& endPoint);
    device::IDevice* attributeSender(const MessageSender_t& sender, const network::PeerEndPoint& endPoint);
    bool admitFirstContact(const NetworkDeviceId_t& senderId, const QHostAddress& address);
    bool makeRoomForFirstContact(const QHostAddress* address, int limit);
    void forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId, const QHostAddress& address);
    bool acceptDatagram(device::IDevice& device, const network::PeerEndPoint& endPoint, const MessageHeader_t& header);
    void recordDatagramEndPoint(const NetworkDeviceId_t& deviceId, const network::PeerEndPoint& endPoint);
    std::optional<NetworkDeviceId_t> findDatagramSender(const network::PeerEndPoint& endPoint) const;
    device::IDevice* findDeviceAddedByHand(const QHostAddress& address) const;
    void ProcessConnection(device::IDevice& device, const network::PeerEndPoint& endPoint);
    MessageSender_t localSender() const;

    device::ApplicationType_e m_type;
    quint16 m_port;
    device::IDeviceManager* m_deviceManager;
    std::unique_ptr<network::SocketManager> m_socketManager;
    DeviceConnectionList m_deviceConnections;
    MessageCodec m_codec;
    std::map<NetworkDeviceId_t, QList<network::PeerEndPoint>> m_datagramEndPoints;
    std::set<network::PeerEndPoint> m_pendingPeers;
    // Connections given to a device by their address alone (earlier datagrams or a saved
    // record), until a message of that device confirms them.
    std::set<network::PeerEndPoint> m_guessedConnections;
    std::chrono::milliseconds m_greetingInterval = kDefaultGreetingInterval;
    std::map<NetworkDeviceId_t, quint64> m_lastSequence;

    network::Clock m_clock = network::systemNow;
    // Devices this handler created that have not registered yet, oldest first, with the
    // address of their first message (pruned lazily).
    struct FirstContact {
        NetworkDeviceId_t deviceId;
        QHostAddress address;
    };
    std::vector<FirstContact> m_firstContactDevices;
    std::optional<network::TimePoint> m_lastDroppedContactLog;
    LogFloodGuard m_dropLog;
    int m_droppedContactsSinceLog = 0;
};

} // namespace tessivar::communication
