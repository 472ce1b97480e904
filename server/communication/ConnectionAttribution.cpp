#include "communication/ConnectionAttribution.h"

#include "communication/DatagramFilter.h"
#include "communication/DeviceConnectionList.h"
#include "communication/network/SocketManager.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"

#include <QDebug>

namespace tessivar::communication {

using network::PeerEndPoint;

ConnectionAttribution::ConnectionAttribution(device::IDeviceManager& deviceManager,
                                             network::SocketManager& socketManager, DeviceConnectionList& connections,
                                             DatagramFilter& datagrams, LogFloodGuard& dropLog)
    : m_deviceManager(deviceManager)
    , m_socketManager(socketManager)
    , m_connections(connections)
    , m_datagrams(datagrams)
    , m_dropLog(dropLog)
{
}

bool ConnectionAttribution::AdmitOverConnection(const NetworkDeviceId_t& senderId, const PeerEndPoint& endPoint)
{
    const std::optional<NetworkDeviceId_t> owner = m_connections.FindActiveDevice(endPoint);
    if (owner && *owner == senderId) {
        m_guessedConnections.erase(endPoint);
        return true;
    }
    if (owner) {
        if (m_guessedConnections.count(endPoint) == 0) {
            if (m_dropLog.Allow(QStringLiteral("message over a connection of another device"), senderId))
                qCWarning(lcCommunication).nospace().noquote()
                    << "Message from device [" << senderId << "] dropped: connection [" << endPoint
                    << "] belongs to device [" << *owner << "]";
            return false;
        }
        if (!admitOverNewConnection(senderId, endPoint))
            return false;
        // The address named the wrong device: the connection is this sender's.
        qCInfo(lcCommunication).nospace().noquote()
            << "Connection [" << endPoint << "] belongs to device [" << senderId << "], not [" << *owner << "]";
        m_guessedConnections.erase(endPoint);
        m_connections.SetInactive(*owner);
        if (device::IDevice* previous = m_deviceManager.GetDevice(*owner))
            previous->SetConnected(false);
        m_pendingPeers.erase(endPoint);
        m_pendingPeers.insert(endPoint);
        return true;
    }
    if (!admitOverNewConnection(senderId, endPoint))
        return false;
    // Not attributed yet: its first admitted message attributes it.
    if (m_pendingPeers.count(endPoint) == 0)
        m_pendingPeers.insert(endPoint);
    return true;
}

bool ConnectionAttribution::admitOverNewConnection(const NetworkDeviceId_t& senderId, const PeerEndPoint& endPoint)
{
    const std::optional<PeerEndPoint> own = m_connections.FindActiveEndPoint(senderId);
    if (!own || *own == endPoint)
        return true;
    const std::optional<network::Ticks> silence = m_socketManager.SilenceOf(*own);
    const network::Ticks takeover = kMissedGreetingsBeforeTakeover * m_greetingInterval;
    if (silence && *silence <= takeover) {
        if (m_dropLog.Allow(QStringLiteral("message over a second connection"), senderId))
            qCWarning(lcCommunication).nospace().noquote()
                << "Message from device [" << senderId << "] over [" << endPoint
                << "] dropped: the device is connected over [" << *own << "]";
        return false;
    }
    qCInfo(lcCommunication).nospace().noquote()
        << "Device [" << senderId << "] moved from [" << *own << "] to [" << endPoint << "]";
    if (silence)
        m_socketManager.Disconnect(*own); // reported back as that peer's disconnect
    if (m_connections.FindActiveEndPoint(senderId))
        PeerDisconnected(*own);
    return true;
}

void ConnectionAttribution::Attribute(device::IDevice& device, const PeerEndPoint& endPoint)
{
    if (const auto pending = m_pendingPeers.find(endPoint); pending != m_pendingPeers.end()) {
        qCDebug(lcCommunication) << "Peer is pending for connection";
        // The connection's own endpoint (with its port) is the one to remember.
        const PeerEndPoint connectionEndPoint = *pending;
        m_pendingPeers.erase(pending);
        processConnection(device, connectionEndPoint);
    }
}

void ConnectionAttribution::ConnectingTo(const PeerEndPoint& endPoint)
{
    m_pendingPeers.insert(endPoint);
}

device::IDevice* ConnectionAttribution::FindDeviceAddedByHand(const QHostAddress& address) const
{
    device::IDevice* found = nullptr;
    m_deviceManager.ForEachDevice([&found, &address](device::IDevice& device) {
        if (!found && device.IsAddedManually() && !address.isNull()
            && device.GetAddress().isEqual(address, QHostAddress::ConvertV4MappedToIPv4))
            found = &device;
    });
    return found;
}

void ConnectionAttribution::PeerConnected(const PeerEndPoint& endPoint)
{
    qCDebug(lcCommunication) << "Peer connected:" << endPoint;
    std::optional<NetworkDeviceId_t> deviceId = m_datagrams.FindSender(endPoint);
    if (deviceId) {
        qCDebug(lcCommunication) << "Device has already sent non-connected data";
    } else {
        deviceId = m_connections.FindInactiveDevice(endPoint);
        if (deviceId)
            qCDebug(lcCommunication) << "Device has saved connection data";
    }

    device::IDevice* device = nullptr;
    if (deviceId) {
        if (device::IDevice* found = m_deviceManager.GetDevice(*deviceId))
            device = found;
        m_datagrams.ForgetEndPoints(*deviceId);
    } else {
        device = FindDeviceAddedByHand(endPoint.GetAddress());
        // One that still lacks its id stays pending: its first message gives it the id
        // under which the connection can be recorded.
        if (device && device->GetId().isEmpty())
            device = nullptr;
    }

    if (!device) {
        qCDebug(lcCommunication) << "No known device, connection will be processed later";
        m_pendingPeers.erase(endPoint);
        m_pendingPeers.insert(endPoint);
        return;
    }
    m_guessedConnections.insert(endPoint);
    processConnection(*device, endPoint);
}

void ConnectionAttribution::processConnection(device::IDevice& device, const PeerEndPoint& endPoint)
{
    m_connections.Update(device.GetId(), endPoint);
    m_connections.SetActive(device.GetId());
    device.SetAddress(endPoint.GetAddress());
    device.SetConnected(true);
}

void ConnectionAttribution::PeerDisconnected(const PeerEndPoint& endPoint)
{
    qCDebug(lcCommunication) << "Peer disconnected:" << endPoint;
    if (const std::optional<NetworkDeviceId_t> deviceId = m_connections.FindActiveDevice(endPoint)) {
        // The connection is gone even when its device was removed meanwhile: a record
        // left active would route later messages for that id into a dead endpoint.
        m_connections.SetInactive(*deviceId);
        if (device::IDevice* device = m_deviceManager.GetDevice(*deviceId))
            device->SetConnected(false);
        m_datagrams.Forget(*deviceId);
    }
    m_pendingPeers.erase(endPoint);
    m_guessedConnections.erase(endPoint);
}

} // namespace tessivar::communication
