#pragma once

#include "communication/network/IConnectedSocket.h"
#include "communication/network/INonConnectedSocket.h"
#include "communication/network/NetworkClock.h"
#include "communication/network/NonConnectedSocket.h"
#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tessivar::communication::network {

class ConnectedSocket;
class ConnectedSocketServer;

// Owns every socket: the WebSocket server, at most one connected socket per peer
// address, the datagram emission socket and any listening datagram sockets. Turns
// their events into four signals and drops WebSocket peers that fell silent.
class SocketManager : public QObject
{
    Q_OBJECT
public:
    // How often silent peers are looked for.
    static constexpr std::chrono::milliseconds kDefaultIdleCheckInterval{2000};
    // A peer that sent nothing for longer than this (counted from the opening for one
    // that never sent anything) is considered gone.
    static constexpr Ticks kMaximumSilence = std::chrono::seconds(30);

    SocketManager(const QString& name, quint16 port);
    ~SocketManager() override;

    void StartServer();
    // Why the connected server does not listen; nullopt while it listens or before it starts.
    std::optional<QAbstractSocket::SocketError> ServerListenError() const;
    QString ServerListenErrorString() const;
    // Why the first listener that failed to bind did; nullopt while all are bound.
    std::optional<QAbstractSocket::SocketError> ListenerBindError() const;
    QString ListenerBindErrorString() const;
    void AddListenerSocket(std::unique_ptr<INonConnectedSocket> socket);
    void StartListeners();
    void ConnectTo(const PeerEndPoint& endPoint);
    void Send(const QByteArray& data, const PeerEndPoint& endPoint);
    void SendNonConnected(const QByteArray& data, const PeerEndPoint& endPoint);
    void Broadcast(const QByteArray& data);
    // Whether the connection of that address speaks for a registered device, which frees
    // it from the message budget of untrusted peers.
    void SetPeerTrusted(const PeerEndPoint& endPoint, bool trusted);
    // Takes a link that is already open, as an accepted connection: the listening server
    // hands its connections over here, and so can any other transport.
    void Accept(std::unique_ptr<IConnectedSocket> socket);

    // How long the connection of that address has been silent: since its last data, or
    // since it opened when it never sent any. Empty when there is no such connection.
    std::optional<Ticks> SilenceOf(const PeerEndPoint& endPoint) const;
    // Closes the connection of that address as a disconnect of the peer.
    void Disconnect(const PeerEndPoint& endPoint);

    // Injection points: the time source of the idle check and its period.
    void SetClock(Clock clock);
    void SetIdleCheckInterval(std::chrono::milliseconds interval);

public Q_SLOTS:
    // Drops every connected peer whose last data is older than kMaximumSilence.
    void CheckIdlePeers();

Q_SIGNALS:
    void DataReceived(QByteArray data, tessivar::communication::network::PeerEndPoint senderOrigin,
                      bool connectedSocket);
    void PeerConnected(tessivar::communication::network::PeerEndPoint peerEndPoint);
    void PeerDisconnected(tessivar::communication::network::PeerEndPoint peerEndPoint);
    void ErrorOccurred(tessivar::communication::network::SocketError error);

private:
    // Destroys sockets later: a socket may be removed while it delivers one of its own
    // signals; a pending one still goes with the manager if it dies first.
    struct DeferredDelete {
        void operator()(IConnectedSocket* socket) const;
    };
    using ConnectedSocketPtr = std::unique_ptr<IConnectedSocket, DeferredDelete>;
    using SocketMap = std::map<PeerEndPoint, ConnectedSocketPtr>;

    void OnSocketConnected(ConnectedSocket* socket);
    void ConnectSocketSignals(IConnectedSocket* socket);
    void OnSocketDataReceived(IConnectedSocket* socket, const QByteArray& data);
    void OnSocketOutgoingConnected(IConnectedSocket* socket);
    void OnSocketDisconnected(IConnectedSocket* socket);
    void OnSocketError(IConnectedSocket* socket, SocketError error);
    SocketMap::iterator FindSocket(const IConnectedSocket* socket);
    void Release(ConnectedSocketPtr socket);
    void RemoveSocket(SocketMap::iterator it);
    void DropPeer(SocketMap::iterator it);

    QString m_name;
    quint16 m_port;
    std::unique_ptr<ConnectedSocketServer> m_server;
    SocketMap m_connectedSockets;
    std::unique_ptr<NonConnectedSocket> m_emissionSocket;
    std::vector<std::unique_ptr<INonConnectedSocket>> m_listenerSockets;
    QTimer m_idleTimer;
    Clock m_clock = systemNow;
};

} // namespace tessivar::communication::network
