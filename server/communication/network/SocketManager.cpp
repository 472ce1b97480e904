#include "communication/network/SocketManager.h"

#include "communication/network/ConnectedSocket.h"
#include "communication/network/ConnectedSocketServer.h"
#include "core/Logging.h"

#include <QDebug>

namespace tessivar::communication::network {

void SocketManager::DeferredDelete::operator()(IConnectedSocket* socket) const
{
    if (socket)
        socket->deleteLater();
}

SocketManager::SocketManager(const QString& name, quint16 port)
    : m_name(name)
    , m_port(port)
    , m_emissionSocket(std::make_unique<NonConnectedSocket>(port, QStringLiteral("EmissionSocket")))
{
    registerNetworkMetaTypes();
    connect(m_emissionSocket.get(), &INonConnectedSocket::ErrorOccurred, this, &SocketManager::ErrorOccurred);
    connect(&m_idleTimer, &QTimer::timeout, this, &SocketManager::CheckIdlePeers);
    m_idleTimer.setInterval(kDefaultIdleCheckInterval);
    m_idleTimer.start();
}

SocketManager::~SocketManager()
{
    m_idleTimer.stop();
    // No event loop may run after us: sockets still held are destroyed now, and those
    // released earlier are children of this object, so they go with it.
    for (auto& [endPoint, socket] : m_connectedSockets) {
        socket->disconnect(this);
        delete socket.release();
    }
    m_connectedSockets.clear();
}

void SocketManager::SetClock(Clock clock)
{
    m_clock = std::move(clock);
}

void SocketManager::SetIdleCheckInterval(std::chrono::milliseconds interval)
{
    m_idleTimer.setInterval(interval);
}

void SocketManager::StartServer()
{
    m_server = std::make_unique<ConnectedSocketServer>(m_name, m_port);
    connect(m_server.get(), &ConnectedSocketServer::SocketConnected, this, &SocketManager::OnSocketConnected);
    connect(m_server.get(), &ConnectedSocketServer::ErrorOccurred, this, &SocketManager::ErrorOccurred);
    m_server->Listen();
}

std::optional<QAbstractSocket::SocketError> SocketManager::ServerListenError() const
{
    if (!m_server || m_server->IsListening())
        return std::nullopt;
    return m_server->ListenError();
}

QString SocketManager::ServerListenErrorString() const
{
    return m_server ? m_server->ListenErrorString() : QString();
}

std::optional<QAbstractSocket::SocketError> SocketManager::ListenerBindError() const
{
    for (const auto& socket : m_listenerSockets) {
        if (const std::optional<QAbstractSocket::SocketError> error = socket->BindError())
            return error;
    }
    return std::nullopt;
}

QString SocketManager::ListenerBindErrorString() const
{
    for (const auto& socket : m_listenerSockets) {
        if (socket->BindError())
            return socket->BindErrorString();
    }
    return QString();
}

void SocketManager::AddListenerSocket(std::unique_ptr<INonConnectedSocket> socket)
{
    if (!socket)
        return;
    qCDebug(lcCommunication).nospace() << "Adding socket [" << *socket << "] listener";
    m_listenerSockets.push_back(std::move(socket));
}

void SocketManager::StartListeners()
{
    for (const auto& socket : m_listenerSockets) {
        // Started twice, a listener would report each datagram twice.
        socket->disconnect(this);
        connect(socket.get(), &INonConnectedSocket::DataReceived, this,
                [this](const QByteArray& data, const PeerEndPoint& endPoint) {
                    Q_EMIT DataReceived(data, endPoint, false);
                });
        connect(socket.get(), &INonConnectedSocket::ErrorOccurred, this, &SocketManager::ErrorOccurred);
        socket->Bind();
    }
}

void SocketManager::ConnectTo(const PeerEndPoint& endPoint)
{
    const auto existing = m_connectedSockets.find(endPoint);
    if (existing != m_connectedSockets.end()) {
        qCDebug(lcCommunication).nospace() << "There is already a socket to " << endPoint << ": " << *existing->second;
        return;
    }
    auto* raw = new ConnectedSocket(m_name);
    ConnectSocketSignals(raw);
    m_connectedSockets.emplace(endPoint, ConnectedSocketPtr(raw));
    raw->Open(endPoint);
}

void SocketManager::Send(const QByteArray& data, const PeerEndPoint& endPoint)
{
    const auto it = m_connectedSockets.find(endPoint);
    if (it != m_connectedSockets.end())
        it->second->Send(data);
}

void SocketManager::SendNonConnected(const QByteArray& data, const PeerEndPoint& endPoint)
{
    m_emissionSocket->SendTo(data, endPoint);
}

void SocketManager::Broadcast(const QByteArray& data)
{
    m_emissionSocket->Broadcast(data);
}

void SocketManager::SetPeerTrusted(const PeerEndPoint& endPoint, bool trusted)
{
    if (const auto found = m_connectedSockets.find(endPoint); found != m_connectedSockets.end())
        found->second->SetTrusted(trusted);
}

void SocketManager::OnSocketConnected(ConnectedSocket* accepted)
{
    Accept(std::unique_ptr<IConnectedSocket>(accepted));
}

void SocketManager::Accept(std::unique_ptr<IConnectedSocket> accepted)
{
    if (!accepted)
        return;
    ConnectedSocketPtr socket(accepted.release());
    const PeerEndPoint endPoint = socket->GetPeerEndPoint();
    qCDebug(lcCommunication).nospace() << "A connected socket [" << *socket << "] was created to endpoint [" << endPoint
                                       << "]";
    const auto existing = m_connectedSockets.find(endPoint);
    if (existing != m_connectedSockets.end()) {
        // A half-open connection (the phone lost its network) would otherwise lock its
        // address out until the idle check: past the idle limit, the newcomer wins.
        const std::optional<Ticks> silence = SilenceOf(endPoint);
        if (!silence || *silence <= kMaximumSilence) {
            qCDebug(lcCommunication).nospace() << "There is already such a socket:" << *existing->second;
            Release(std::move(socket));
            return;
        }
        qCDebug(lcCommunication).nospace() << "Replacing endpoint [" << existing->first << "] silent for ["
                                           << silence->count() << "] by a new connection";
        DropPeer(existing);
    }
    ConnectSocketSignals(socket.get());
    // Silence counts from the opening: a connection that never speaks is dropped too.
    socket->MarkActive(m_clock());
    m_connectedSockets.emplace(endPoint, std::move(socket));
    Q_EMIT PeerConnected(endPoint);
}

void SocketManager::ConnectSocketSignals(IConnectedSocket* socket)
{
    connect(socket, &IConnectedSocket::DataReceived, this,
            [this, socket](const QByteArray& data) { OnSocketDataReceived(socket, data); });
    connect(socket, &IConnectedSocket::Connected, this, [this, socket]() { OnSocketOutgoingConnected(socket); });
    connect(socket, &IConnectedSocket::Disconnected, this, [this, socket]() { OnSocketDisconnected(socket); });
    connect(socket, &IConnectedSocket::ErrorOccurred, this,
            [this, socket](SocketError error) { OnSocketError(socket, error); });
}

void SocketManager::OnSocketDataReceived(IConnectedSocket* socket, const QByteArray& data)
{
    socket->MarkActive(m_clock());
    Q_EMIT DataReceived(data, socket->GetPeerEndPoint(), true);
}

void SocketManager::OnSocketOutgoingConnected(IConnectedSocket* socket)
{
    socket->MarkActive(m_clock());
    Q_EMIT PeerConnected(socket->GetPeerEndPoint());
}

void SocketManager::DropPeer(SocketMap::iterator it)
{
    const PeerEndPoint endPoint = it->first;
    RemoveSocket(it);
    Q_EMIT PeerDisconnected(endPoint);
}

std::optional<Ticks> SocketManager::SilenceOf(const PeerEndPoint& endPoint) const
{
    const auto found = m_connectedSockets.find(endPoint);
    if (found == m_connectedSockets.end())
        return std::nullopt;
    const std::optional<TimePoint> activity = found->second->LastActivity();
    if (!activity)
        return Ticks::zero(); // still opening
    return m_clock() - *activity;
}

void SocketManager::Disconnect(const PeerEndPoint& endPoint)
{
    const auto it = m_connectedSockets.find(endPoint);
    if (it == m_connectedSockets.end())
        return;
    qCDebug(lcCommunication).nospace() << "Disconnecting endpoint [" << it->first << "]";
    DropPeer(it);
}

void SocketManager::OnSocketDisconnected(IConnectedSocket* socket)
{
    const auto it = FindSocket(socket);
    if (it == m_connectedSockets.end())
        return;
    if (!socket->HasConnected()) {
        qCDebug(lcCommunication) << "Socket failed to connect, removing";
        RemoveSocket(it);
        return;
    }
    const PeerEndPoint endPoint = socket->GetPeerEndPoint();
    RemoveSocket(it);
    Q_EMIT PeerDisconnected(endPoint);
}

void SocketManager::OnSocketError(IConnectedSocket* socket, SocketError error)
{
    Q_EMIT ErrorOccurred(error);
    // The peer is gone for good: the disconnect that follows would no longer find the
    // socket, so it is reported here.
    const auto it = FindSocket(socket);
    if (it == m_connectedSockets.end())
        return;
    const bool wasConnected = socket->HasConnected();
    const PeerEndPoint endPoint = socket->GetPeerEndPoint();
    RemoveSocket(it);
    if (wasConnected)
        Q_EMIT PeerDisconnected(endPoint);
}

SocketManager::SocketMap::iterator SocketManager::FindSocket(const IConnectedSocket* socket)
{
    for (auto it = m_connectedSockets.begin(); it != m_connectedSockets.end(); ++it) {
        if (it->second.get() == socket)
            return it;
    }
    return m_connectedSockets.end();
}

void SocketManager::Release(ConnectedSocketPtr socket)
{
    socket->disconnect(this);
    socket->Close();
    // Parented so that a deletion still pending when the manager dies happens with it.
    socket->setParent(this);
    socket.reset();
}

void SocketManager::RemoveSocket(SocketMap::iterator it)
{
    ConnectedSocketPtr socket = std::move(it->second);
    m_connectedSockets.erase(it);
    Release(std::move(socket));
}

void SocketManager::CheckIdlePeers()
{
    const TimePoint now = m_clock();
    std::vector<PeerEndPoint> silent;
    for (const auto& [endPoint, socket] : m_connectedSockets) {
        const std::optional<TimePoint> activity = socket->LastActivity();
        if (!activity)
            continue;
        const Ticks silence = now - *activity;
        if (silence > kMaximumSilence) {
            qCDebug(lcCommunication).nospace()
                << "Disconnecting endpoint [" << endPoint << "] because of no activity for [" << silence.count() << "]";
            silent.push_back(endPoint);
        }
    }
    // Removed before the signal, so that a receiver may connect to the peer again.
    for (const PeerEndPoint& endPoint : silent) {
        const auto it = m_connectedSockets.find(endPoint);
        if (it != m_connectedSockets.end())
            RemoveSocket(it);
        Q_EMIT PeerDisconnected(endPoint);
    }
}

} // namespace tessivar::communication::network
