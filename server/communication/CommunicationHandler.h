#pragma once

#include "communication/ConnectionAttribution.h"
#include "communication/DatagramFilter.h"
#include "communication/DeviceConnectionList.h"
#include "communication/FirstContactLimiter.h"
#include "communication/ICommunicationHandler.h"
#include "communication/MessageCodec.h"
#include "communication/network/NetworkClock.h"
#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"
#include "communication/network/SocketManager.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"

#include <chrono>
#include <memory>

namespace tessivar {
class CommonConfiguration;
}

namespace tessivar::device {
class IDevice;
class IDeviceManager;
} // namespace tessivar::device

namespace tessivar::communication {

// Turns outgoing messages into bytes on the right transport, and received bytes into
// messages attributed to devices: drops echoes and other servers, has devices created
// on first contact (within the bounds of FirstContactLimiter), repeated datagrams
// dropped (DatagramFilter) and WebSocket connections tied to devices
// (ConnectionAttribution), and remembers them in the device connection list.
class CommunicationHandler final : public ICommunicationHandler
{
    Q_OBJECT
public:
    // The unregistered devices one address may hold (see FirstContactLimiter).
    static constexpr int kMaximumUnregisteredDevicesPerAddress
        = FirstContactLimiter::kMaximumUnregisteredDevicesPerAddress;

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
    device::IDevice* attributeSender(const MessageSender_t& sender, const network::PeerEndPoint& endPoint);
    void forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId);
    MessageSender_t localSender() const;

    device::ApplicationType_e m_type;
    quint16 m_port;
    device::IDeviceManager* m_deviceManager;
    std::unique_ptr<network::SocketManager> m_socketManager;
    DeviceConnectionList m_deviceConnections;
    MessageCodec m_codec;
    LogFloodGuard m_dropLog;
    DatagramFilter m_datagrams;
    FirstContactLimiter m_firstContacts;
    ConnectionAttribution m_attribution;
};

} // namespace tessivar::communication
