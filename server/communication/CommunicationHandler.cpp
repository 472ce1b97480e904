#include "communication/CommunicationHandler.h"

#include "core/Logging.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"
#include "device/LocalNetworkDevice.h"

#include <QDebug>

#include <algorithm>

namespace tessivar::communication {

using network::PeerEndPoint;
using network::SocketError;

namespace {

// Raw bytes of a rejected message, cut so a hostile peer cannot flood the log.
QByteArray loggedContent(const QByteArray& data)
{
    if (data.size() <= MessageCodec::kMaximumLoggedJsonLength)
        return data;
    return data.left(MessageCodec::kMaximumLoggedJsonLength) + "...";
}

// Messages that delete or replace what is stored for their sender: acted on only when
// they come over the sender's own connection, never from a datagram.
bool changesStoredState(MessageType_e type)
{
    return type == MessageType_e::ModuleList || type == MessageType_e::DeleteModule
        || type == MessageType_e::RegisterModuleResponse;
}

} // namespace

CommunicationHandler::CommunicationHandler(device::IDeviceManager* deviceManager, device::ApplicationType_e type,
                                           quint16 port, CommonConfiguration& configuration)
    : m_type(type)
    , m_port(port)
    , m_deviceManager(deviceManager)
    , m_socketManager(std::make_unique<network::SocketManager>(deviceManager->GetCurrentDevice().GetName(), port))
    , m_deviceConnections(configuration)
{
    network::registerNetworkMetaTypes();
    m_deviceConnections.Load();

    QList<NetworkDeviceId_t> deviceIds;
    m_deviceManager->ForEachDevice([&deviceIds](device::IDevice& device) { deviceIds.append(device.GetId()); });
    m_deviceConnections.KeepOnly(deviceIds);

    connect(m_socketManager.get(), &network::SocketManager::DataReceived, this, &CommunicationHandler::OnDataReceived);
    connect(m_socketManager.get(), &network::SocketManager::PeerConnected, this,
            &CommunicationHandler::OnPeerConnected);
    connect(m_socketManager.get(), &network::SocketManager::PeerDisconnected, this,
            &CommunicationHandler::OnPeerDisconnected);
    connect(m_socketManager.get(), &network::SocketManager::ErrorOccurred, this, &CommunicationHandler::OnNetworkError);
}

CommunicationHandler::~CommunicationHandler()
{
    // The sockets go first: none of their signals may reach a half-destroyed handler.
    m_socketManager->disconnect(this);
    m_socketManager.reset();
}

void CommunicationHandler::AddListenerSocket(std::unique_ptr<network::INonConnectedSocket> socket)
{
    m_socketManager->AddListenerSocket(std::move(socket));
}

void CommunicationHandler::Start()
{
    switch (m_type) {
    case device::ApplicationType_e::Server:
        m_socketManager->StartServer();
        m_socketManager->StartListeners();
        break;
    case device::ApplicationType_e::Client:
        m_socketManager->StartListeners();
        break;
    default:
        qFatal("There should not be communication for this application type");
    }
}

MessageSender_t CommunicationHandler::localSender() const
{
    const device::IDevice& local = m_deviceManager->GetCurrentDevice();
    return MessageSender_t{local.GetId(), local.GetName(), local.GetVersion(), m_type};
}

void CommunicationHandler::SendMessage(const MessageEmission& emission)
{
    const std::optional<QByteArray> data
        = m_codec.Serialize(emission.GetMessage(), emission.GetSequenceId(), emission.GetResponseTo(), localSender());

    if (emission.IsBroadcast()) {
        if (debugLoggingEnabled())
            qDebug().nospace().noquote() << "Broadcasting message: " << emission.GetMessage();
        if (data)
            m_socketManager->Broadcast(*data);
        return;
    }

    if (emission.GetDestination().isEmpty() && emission.GetDestinationAddress()) {
        // A device added by hand has no id until it answers; only a datagram can reach it.
        const PeerEndPoint endPoint(*emission.GetDestinationAddress(), m_port);
        if (debugLoggingEnabled())
            qDebug().nospace().noquote() << "Sending message to endpoint [" << endPoint
                                         << "]: " << emission.GetMessage();
        if (emission.IsNonConnectedAllowed() && data)
            m_socketManager->SendNonConnected(*data, endPoint);
        return;
    }

    const std::optional<device::IDevice*> found = m_deviceManager->GetDevice(emission.GetDestination());
    if (!found) {
        qWarning().nospace().noquote() << "Trying to send message [" << emission.GetMessage() << "] to unknown device ["
                                       << emission.GetDestination() << "]. The message will not be sent.";
        return;
    }
    device::IDevice& device = **found;
    if (debugLoggingEnabled())
        qDebug().nospace().noquote() << "Sending message to device [" << device << "]: " << emission.GetMessage();

    if (const std::optional<PeerEndPoint> endPoint = m_deviceConnections.FindActiveEndPoint(device.GetId())) {
        if (data)
            m_socketManager->Send(*data, *endPoint);
        return;
    }
    if (emission.IsNonConnectedAllowed()) {
        if (data)
            m_socketManager->SendNonConnected(*data, PeerEndPoint(device.GetAddress(), m_port));
        return;
    }
    qDebug() << "No active endpoint found for device, ignoring";
}

void CommunicationHandler::OnDataReceived(const QByteArray& data, const PeerEndPoint& endPoint, bool connected)
{
    std::optional<std::pair<MessageHeader_t, std::unique_ptr<IMessage>>> parsed = m_codec.ParseMessage(data);
    if (!parsed) {
        if (m_dropLog.Allow(QStringLiteral("invalid message"), endPoint.GetAddress().toString()))
            qWarning().nospace() << "Invalid message received from endpoint [" << endPoint << "]";
        return;
    }
    const MessageHeader_t& header = parsed->first;
    std::unique_ptr<IMessage>& message = parsed->second;
    if (!message) {
        if (m_dropLog.Allow(QStringLiteral("invalid message body"), endPoint.GetAddress().toString())) {
            qWarning() << "Invalid message received - could not parse message body";
            qWarning() << "Message content:" << loggedContent(data);
        }
        return;
    }
    if (header.sender.id == m_deviceManager->GetCurrentDevice().GetId()) {
        qDebug() << "Ignoring message from self device";
        return;
    }
    if (header.sender.applicationType == m_type) {
        qDebug().nospace().noquote() << "Ignoring message from device [" << header.sender.id << "("
                                     << header.sender.name << ")] "
                                     << "because it is of application type ["
                                     << device::applicationTypeName(header.sender.applicationType) << "]";
        return;
    }

    if (connected && !admitOverConnection(header.sender.id, endPoint))
        return;

    device::IDevice* device = attributeSender(header.sender, endPoint);
    if (!device)
        return;
    if (connected)
        m_socketManager->SetPeerTrusted(endPoint, device->IsRegistered());
    // Each change is signalled to the user interface: only a real one is passed on.
    if (device->GetName() != header.sender.name)
        device->SetName(header.sender.name);
    if (device->GetVersion() != header.sender.softwareVersion)
        device->SetVersion(header.sender.softwareVersion);

    if (!connected && !acceptDatagram(*device, endPoint, header))
        return;

    if (debugLoggingEnabled()) {
        qDebug() << "Received message from endpoint" << endPoint;
        qDebug() << "    Header:" << header;
        qDebug() << "    Device:" << *device;
        qDebug() << "    Message:" << *message;
    }

    if (m_type == device::ApplicationType_e::Client && !device->IsConnected()) {
        qDebug() << "Connecting to device" << *device;
        m_socketManager->ConnectTo(endPoint);
    }
    if (const auto pending = m_pendingPeers.find(endPoint); pending != m_pendingPeers.end()) {
        qDebug() << "Peer is pending for connection";
        // The connection's own endpoint (with its port) is the one to remember.
        const PeerEndPoint connectionEndPoint = *pending;
        m_pendingPeers.erase(pending);
        ProcessConnection(*device, connectionEndPoint);
    }

    const std::optional<NetworkDeviceId_t> owner
        = connected ? m_deviceConnections.FindActiveDevice(endPoint) : std::nullopt;
    const bool overOwnConnection = owner && *owner == device->GetId();
    if (!overOwnConnection && changesStoredState(message->GetType())) {
        if (m_dropLog.Allow(QStringLiteral("message over another connection"), device->GetId()))
            qWarning().nospace().noquote() << "Message [" << header.id << "] from device [" << device->GetId()
                                           << "] dropped: only the device's own connection may send it";
        return;
    }

    Q_EMIT MessageReceived(
        MessageReception(*device, header.sequenceId, header.sequenceResponseId, std::move(message), overOwnConnection));
}

bool CommunicationHandler::admitOverConnection(const NetworkDeviceId_t& senderId, const PeerEndPoint& endPoint)
{
    const std::optional<NetworkDeviceId_t> owner = m_deviceConnections.FindActiveDevice(endPoint);
    if (owner && *owner == senderId) {
        m_guessedConnections.erase(endPoint);
        return true;
    }
    if (owner) {
        if (m_guessedConnections.count(endPoint) == 0) {
            if (m_dropLog.Allow(QStringLiteral("message over a connection of another device"), senderId))
                qWarning().nospace().noquote() << "Message from device [" << senderId << "] dropped: connection ["
                                               << endPoint << "] belongs to device [" << *owner << "]";
            return false;
        }
        if (!admitOverNewConnection(senderId, endPoint))
            return false;
        // The address named the wrong device: the connection is this sender's.
        qInfo().nospace().noquote() << "Connection [" << endPoint << "] belongs to device [" << senderId << "], not ["
                                    << *owner << "]";
        m_guessedConnections.erase(endPoint);
        m_deviceConnections.SetInactive(*owner);
        if (const std::optional<device::IDevice*> previous = m_deviceManager->GetDevice(*owner))
            (*previous)->SetConnected(false);
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

bool CommunicationHandler::admitOverNewConnection(const NetworkDeviceId_t& senderId, const PeerEndPoint& endPoint)
{
    const std::optional<PeerEndPoint> own = m_deviceConnections.FindActiveEndPoint(senderId);
    if (!own || *own == endPoint)
        return true;
    const std::optional<network::Ticks> silence = m_socketManager->SilenceOf(*own);
    const network::Ticks takeover = kMissedGreetingsBeforeTakeover * m_greetingInterval;
    if (silence && *silence <= takeover) {
        if (m_dropLog.Allow(QStringLiteral("message over a second connection"), senderId))
            qWarning().nospace().noquote() << "Message from device [" << senderId << "] over [" << endPoint
                                           << "] dropped: the device is connected over [" << *own << "]";
        return false;
    }
    qInfo().nospace().noquote() << "Device [" << senderId << "] moved from [" << *own << "] to [" << endPoint << "]";
    if (silence)
        m_socketManager->Disconnect(*own); // reported back as that peer's disconnect
    if (m_deviceConnections.FindActiveEndPoint(senderId))
        OnPeerDisconnected(*own);
    return true;
}

device::IDevice* CommunicationHandler::attributeSender(const MessageSender_t& sender, const PeerEndPoint& endPoint)
{
    if (const std::optional<device::IDevice*> known = m_deviceManager->GetDevice(sender.id))
        return *known;
    // Only a device still waiting for its id takes the sender's: one that has an id is
    // found by it, and handing it another would lose the device it stands for.
    device::IDevice* byHand = findDeviceAddedByHand(endPoint.GetAddress());
    if (byHand && byHand->GetId().isEmpty()) {
        byHand->SetId(sender.id);
        return byHand;
    }
    if (!admitFirstContact(sender.id, endPoint.GetAddress()))
        return nullptr;
    device::IDevice& added
        = m_deviceManager->AddDevice(std::make_unique<device::LocalNetworkDevice>(sender.id, sender.applicationType));
    if (!added.IsRegistered())
        m_firstContactDevices.push_back(FirstContact{added.GetId(), endPoint.GetAddress()});
    return &added;
}

bool CommunicationHandler::admitFirstContact(const NetworkDeviceId_t& senderId, const QHostAddress& address)
{
    // Devices that registered or were removed since no longer count against the bounds.
    m_firstContactDevices.erase(std::remove_if(m_firstContactDevices.begin(), m_firstContactDevices.end(),
                                               [this](const FirstContact& contact) {
                                                   const std::optional<device::IDevice*> device
                                                       = m_deviceManager->GetDevice(contact.deviceId);
                                                   return !device || (*device)->IsRegistered();
                                               }),
                                m_firstContactDevices.end());
    if (makeRoomForFirstContact(&address, kMaximumUnregisteredDevicesPerAddress)
        && makeRoomForFirstContact(nullptr, kMaximumUnregisteredDevices))
        return true;

    // Every device in the way is connected: the newcomer waits for one to register or leave.
    qWarning().nospace().noquote() << "Too many unregistered devices [" << m_firstContactDevices.size()
                                   << "], dropping message from new device [" << senderId << "]";
    return false;
}

bool CommunicationHandler::makeRoomForFirstContact(const QHostAddress* address, int limit)
{
    const auto counted = [address](const FirstContact& contact) { return !address || contact.address == *address; };
    if (std::count_if(m_firstContactDevices.cbegin(), m_firstContactDevices.cend(), counted) < limit)
        return true;
    for (auto it = m_firstContactDevices.begin(); it != m_firstContactDevices.end(); ++it) {
        if (!counted(*it))
            continue;
        const std::optional<device::IDevice*> device = m_deviceManager->GetDevice(it->deviceId);
        if (device && (*device)->IsConnected())
            continue;
        const FirstContact oldest = *it;
        m_firstContactDevices.erase(it);
        forgetUnregisteredDevice(oldest.deviceId, oldest.address);
        return true;
    }
    return false;
}

void CommunicationHandler::forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId, const QHostAddress& address)
{
    ++m_droppedContactsSinceLog;
    const network::TimePoint now = m_clock();
    if (!m_lastDroppedContactLog || now - *m_lastDroppedContactLog >= kDroppedContactLogInterval) {
        qWarning().nospace().noquote() << "Too many unregistered devices, forgetting device [" << deviceId
                                       << "] first heard from [" << address.toString() << "] and ["
                                       << m_droppedContactsSinceLog - 1 << "] other(s) since the last report";
        m_lastDroppedContactLog = now;
        m_droppedContactsSinceLog = 0;
    }
    m_datagramEndPoints.erase(deviceId);
    m_lastSequence.erase(deviceId);
    m_deviceConnections.Remove(deviceId);
    m_deviceManager->RemoveDevice(deviceId);
}

bool CommunicationHandler::acceptDatagram(device::IDevice& device, const PeerEndPoint& endPoint,
                                          const MessageHeader_t& header)
{
    if (device.IsConnected()) {
        qDebug().nospace() << "Device [" << device << "] already connected. Ignoring non-connected message.";
        return false;
    }
    recordDatagramEndPoint(device.GetId(), endPoint);
    const auto last = m_lastSequence.find(device.GetId());
    if (last != m_lastSequence.end() && header.sequenceId <= last->second) {
        qDebug().nospace().noquote() << "Message [" << header.id << "] sequence ID [" << header.sequenceId
                                     << "] already processed, ignoring";
        return false;
    }
    m_lastSequence[device.GetId()] = header.sequenceId;
    return true;
}

void CommunicationHandler::recordDatagramEndPoint(const NetworkDeviceId_t& deviceId, const PeerEndPoint& endPoint)
{
    QList<PeerEndPoint>& endPoints = m_datagramEndPoints[deviceId];
    if (endPoints.contains(endPoint))
        return;
    if (endPoints.size() >= kMaximumDatagramEndPointsPerDevice)
        return;
    const bool hadEndPoints = !endPoints.isEmpty();
    endPoints.append(endPoint);
    if (hadEndPoints)
        qDebug().nospace() << "EndPoint[" << endPoint << "] added for device [" << deviceId << "]";
}

std::optional<NetworkDeviceId_t> CommunicationHandler::findDatagramSender(const PeerEndPoint& endPoint) const
{
    for (const auto& [deviceId, endPoints] : m_datagramEndPoints) {
        if (endPoints.contains(endPoint))
            return deviceId;
    }
    return std::nullopt;
}

device::IDevice* CommunicationHandler::findDeviceAddedByHand(const QHostAddress& address) const
{
    device::IDevice* found = nullptr;
    m_deviceManager->ForEachDevice([&found, &address](device::IDevice& device) {
        if (!found && device.IsAddedManually() && !address.isNull()
            && device.GetAddress().isEqual(address, QHostAddress::ConvertV4MappedToIPv4))
            found = &device;
    });
    return found;
}

void CommunicationHandler::OnPeerConnected(const PeerEndPoint& endPoint)
{
    qDebug() << "Peer connected:" << endPoint;
    std::optional<NetworkDeviceId_t> deviceId = findDatagramSender(endPoint);
    if (deviceId) {
        qDebug() << "Device has already sent non-connected data";
    } else {
        deviceId = m_deviceConnections.FindInactiveDevice(endPoint);
        if (deviceId)
            qDebug() << "Device has saved connection data";
    }

    device::IDevice* device = nullptr;
    if (deviceId) {
        if (const std::optional<device::IDevice*> found = m_deviceManager->GetDevice(*deviceId))
            device = *found;
        m_datagramEndPoints.erase(*deviceId);
    } else {
        device = findDeviceAddedByHand(endPoint.GetAddress());
        // One that still lacks its id stays pending: its first message gives it the id
        // under which the connection can be recorded.
        if (device && device->GetId().isEmpty())
            device = nullptr;
    }

    if (!device) {
        qDebug() << "No known device, connection will be processed later";
        m_pendingPeers.erase(endPoint);
        m_pendingPeers.insert(endPoint);
        return;
    }
    m_guessedConnections.insert(endPoint);
    ProcessConnection(*device, endPoint);
}

void CommunicationHandler::ProcessConnection(device::IDevice& device, const PeerEndPoint& endPoint)
{
    m_deviceConnections.Update(device.GetId(), endPoint);
    m_deviceConnections.SetActive(device.GetId());
    device.SetAddress(endPoint.GetAddress());
    device.SetConnected(true);
}

void CommunicationHandler::OnPeerDisconnected(const PeerEndPoint& endPoint)
{
    qDebug() << "Peer disconnected:" << endPoint;
    if (const std::optional<NetworkDeviceId_t> deviceId = m_deviceConnections.FindActiveDevice(endPoint)) {
        // The connection is gone even when its device was removed meanwhile: a record
        // left active would route later messages for that id into a dead endpoint.
        m_deviceConnections.SetInactive(*deviceId);
        if (const std::optional<device::IDevice*> device = m_deviceManager->GetDevice(*deviceId))
            (*device)->SetConnected(false);
        m_datagramEndPoints.erase(*deviceId);
        m_lastSequence.erase(*deviceId);
    }
    m_pendingPeers.erase(endPoint);
    m_guessedConnections.erase(endPoint);
}

bool CommunicationHandler::ConnectToEndPoint(const QHostAddress& address)
{
    const PeerEndPoint endPoint(address, m_port);
    qDebug().nospace() << "Trying to connect to endpoint [" << endPoint << "]";
    m_socketManager->ConnectTo(endPoint);
    m_pendingPeers.insert(endPoint);
    return true;
}

bool CommunicationHandler::ConnectToDevice(const NetworkDeviceId_t& deviceId)
{
    const std::optional<device::IDevice*> device = m_deviceManager->GetDevice(deviceId);
    if (device)
        qDebug() << "Trying to connect to device" << **device;
    else
        qDebug() << "Trying to connect to device"
                 << "N/A";
    if (const std::optional<PeerEndPoint> endPoint = m_deviceConnections.FindInactiveEndPoint(deviceId)) {
        m_socketManager->ConnectTo(*endPoint);
        return true;
    }
    qWarning().nospace().noquote() << "Cannot connect to device [" << deviceId << "], no known connection";
    return false;
}

void CommunicationHandler::OnNetworkError(SocketError error)
{
    qDebug() << "Network error:" << static_cast<int>(error);
    if (error == SocketError::BindFailed || error == SocketError::ListenFailed)
        Q_EMIT NetworkErrorOccurred(tr("Port %1 is already in use").arg(m_port));
}

void CommunicationHandler::SetClock(network::Clock clock)
{
    m_clock = clock;
    m_deviceConnections.SetClock(std::move(clock));
}

void CommunicationHandler::SetGreetingInterval(std::chrono::milliseconds interval)
{
    m_greetingInterval = interval;
}

network::SocketManager& CommunicationHandler::GetSocketManager()
{
    return *m_socketManager;
}

const DeviceConnectionList& CommunicationHandler::GetDeviceConnectionList() const
{
    return m_deviceConnections;
}

size_t CommunicationHandler::GetTrackedDatagramSenderCount() const
{
    return std::max(m_datagramEndPoints.size(), m_lastSequence.size());
}

quint16 CommunicationHandler::GetPort() const
{
    return m_port;
}

} // namespace tessivar::communication
