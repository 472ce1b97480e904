#include "communication/CommunicationHandler.h"

#include "core/Logging.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"

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
    , m_firstContacts(*deviceManager, [this](const NetworkDeviceId_t& deviceId) { forgetUnregisteredDevice(deviceId); })
    , m_attribution(*deviceManager, *m_socketManager, m_deviceConnections, m_datagrams, m_dropLog)
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
        qCDebug(lcCommunication).nospace().noquote() << "Broadcasting message: " << emission.GetMessage();
        if (data)
            m_socketManager->Broadcast(*data);
        return;
    }

    if (emission.GetDestination().isEmpty() && emission.GetDestinationAddress()) {
        // A device added by hand has no id until it answers; only a datagram can reach it.
        const PeerEndPoint endPoint(*emission.GetDestinationAddress(), m_port);
        qCDebug(lcCommunication).nospace().noquote()
            << "Sending message to endpoint [" << endPoint << "]: " << emission.GetMessage();
        if (emission.IsNonConnectedAllowed() && data)
            m_socketManager->SendNonConnected(*data, endPoint);
        return;
    }

    device::IDevice* found = m_deviceManager->GetDevice(emission.GetDestination());
    if (!found) {
        qCWarning(lcCommunication).nospace().noquote()
            << "Trying to send message [" << emission.GetMessage() << "] to unknown device ["
            << emission.GetDestination() << "]. The message will not be sent.";
        return;
    }
    device::IDevice& device = *found;
    qCDebug(lcCommunication).nospace().noquote()
        << "Sending message to device [" << device << "]: " << emission.GetMessage();

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
    qCDebug(lcCommunication) << "No active endpoint found for device, ignoring";
}

void CommunicationHandler::OnDataReceived(const QByteArray& data, const PeerEndPoint& endPoint, bool connected)
{
    std::optional<std::pair<MessageHeader_t, std::unique_ptr<IMessage>>> parsed = m_codec.ParseMessage(data);
    if (!parsed) {
        if (m_dropLog.Allow(QStringLiteral("invalid message"), endPoint.GetAddress().toString()))
            qCWarning(lcCommunication).nospace() << "Invalid message received from endpoint [" << endPoint << "]";
        return;
    }
    const MessageHeader_t& header = parsed->first;
    std::unique_ptr<IMessage>& message = parsed->second;
    if (!message) {
        if (m_dropLog.Allow(QStringLiteral("invalid message body"), endPoint.GetAddress().toString())) {
            qCWarning(lcCommunication) << "Invalid message received - could not parse message body";
            qCWarning(lcCommunication) << "Message content:" << loggedContent(data);
        }
        return;
    }
    if (header.sender.id == m_deviceManager->GetCurrentDevice().GetId()) {
        qCDebug(lcCommunication) << "Ignoring message from self device";
        return;
    }
    if (header.sender.applicationType == m_type) {
        qCDebug(lcCommunication).nospace().noquote()
            << "Ignoring message from device [" << header.sender.id << "(" << header.sender.name << ")] "
            << "because it is of application type [" << device::applicationTypeName(header.sender.applicationType)
            << "]";
        return;
    }

    if (connected && !m_attribution.AdmitOverConnection(header.sender.id, endPoint))
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

    if (!connected && !m_datagrams.Accept(*device, endPoint, header))
        return;

    qCDebug(lcCommunication) << "Received message from endpoint" << endPoint;
    qCDebug(lcCommunication) << "    Header:" << header;
    qCDebug(lcCommunication) << "    Device:" << *device;
    qCDebug(lcCommunication) << "    Message:" << *message;

    if (m_type == device::ApplicationType_e::Client && !device->IsConnected()) {
        qCDebug(lcCommunication) << "Connecting to device" << *device;
        m_socketManager->ConnectTo(endPoint);
    }
    m_attribution.Attribute(*device, endPoint);

    const std::optional<NetworkDeviceId_t> owner
        = connected ? m_deviceConnections.FindActiveDevice(endPoint) : std::nullopt;
    const bool overOwnConnection = owner && *owner == device->GetId();
    if (!overOwnConnection && changesStoredState(message->GetType())) {
        if (m_dropLog.Allow(QStringLiteral("message over another connection"), device->GetId()))
            qCWarning(lcCommunication).nospace().noquote()
                << "Message [" << header.id << "] from device [" << device->GetId()
                << "] dropped: only the device's own connection may send it";
        return;
    }

    Q_EMIT MessageReceived(
        MessageReception(*device, header.sequenceId, header.sequenceResponseId, std::move(message), overOwnConnection));
}

device::IDevice* CommunicationHandler::attributeSender(const MessageSender_t& sender, const PeerEndPoint& endPoint)
{
    if (device::IDevice* known = m_deviceManager->GetDevice(sender.id))
        return known;
    // Only a device still waiting for its id takes the sender's: one that has an id is
    // found by it, and handing it another would lose the device it stands for.
    device::IDevice* byHand = m_attribution.FindDeviceAddedByHand(endPoint.GetAddress());
    if (byHand && byHand->GetId().isEmpty()) {
        byHand->SetId(sender.id);
        return byHand;
    }
    if (!m_firstContacts.Admit(sender.id, endPoint.GetAddress()))
        return nullptr;
    device::IDevice& added = m_deviceManager->AddNetworkDevice(sender.id, sender.applicationType);
    if (!added.IsRegistered())
        m_firstContacts.Created(added.GetId(), endPoint.GetAddress());
    return &added;
}

void CommunicationHandler::forgetUnregisteredDevice(const NetworkDeviceId_t& deviceId)
{
    m_datagrams.Forget(deviceId);
    m_deviceConnections.Remove(deviceId);
    m_deviceManager->RemoveDevice(deviceId);
}

void CommunicationHandler::OnPeerConnected(const PeerEndPoint& endPoint)
{
    m_attribution.PeerConnected(endPoint);
}

void CommunicationHandler::OnPeerDisconnected(const PeerEndPoint& endPoint)
{
    m_attribution.PeerDisconnected(endPoint);
}

bool CommunicationHandler::ConnectToEndPoint(const QHostAddress& address)
{
    const PeerEndPoint endPoint(address, m_port);
    qCDebug(lcCommunication).nospace() << "Trying to connect to endpoint [" << endPoint << "]";
    m_socketManager->ConnectTo(endPoint);
    m_attribution.ConnectingTo(endPoint);
    return true;
}

bool CommunicationHandler::ConnectToDevice(const NetworkDeviceId_t& deviceId)
{
    device::IDevice* device = m_deviceManager->GetDevice(deviceId);
    if (device)
        qCDebug(lcCommunication) << "Trying to connect to device" << *device;
    else
        qCDebug(lcCommunication) << "Trying to connect to device"
                                 << "N/A";
    if (const std::optional<PeerEndPoint> endPoint = m_deviceConnections.FindInactiveEndPoint(deviceId)) {
        m_socketManager->ConnectTo(*endPoint);
        return true;
    }
    qCWarning(lcCommunication).nospace().noquote()
        << "Cannot connect to device [" << deviceId << "], no known connection";
    return false;
}

void CommunicationHandler::OnNetworkError(SocketError error)
{
    qCDebug(lcCommunication) << "Network error:" << static_cast<int>(error);
    if (error != SocketError::BindFailed && error != SocketError::ListenFailed)
        return;
    // "In use" is what a user can act on (close the other program, change the port);
    // any other reason is shown as it is, not as a port conflict that is not there.
    const bool listening = error == SocketError::ListenFailed;
    const std::optional<QAbstractSocket::SocketError> reason
        = listening ? m_socketManager->ServerListenError() : m_socketManager->ListenerBindError();
    if (reason && *reason != QAbstractSocket::AddressInUseError)
        Q_EMIT NetworkErrorOccurred(tr("Port %1 cannot be opened: %2")
                                        .arg(m_port)
                                        .arg(listening ? m_socketManager->ServerListenErrorString()
                                                       : m_socketManager->ListenerBindErrorString()));
    else
        Q_EMIT NetworkErrorOccurred(tr("Port %1 is already in use").arg(m_port));
}

void CommunicationHandler::SetClock(network::Clock clock)
{
    m_firstContacts.SetClock(clock);
    m_deviceConnections.SetClock(std::move(clock));
}

void CommunicationHandler::SetGreetingInterval(std::chrono::milliseconds interval)
{
    m_attribution.SetGreetingInterval(interval);
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
    return m_datagrams.TrackedSenderCount();
}

quint16 CommunicationHandler::GetPort() const
{
    return m_port;
}

} // namespace tessivar::communication
