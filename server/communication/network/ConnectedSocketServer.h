#pragma once

#include "communication/network/SocketError.h"

#include <QAbstractSocket>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTcpServer>

#include <chrono>
#include <memory>

class QDebug;
class QWebSocketServer;

namespace tessivar::communication::network {

class ConnectedSocket;

// Listens for plain "ws" connections on every interface and hands each accepted
// connection over as a ConnectedSocket.
class ConnectedSocketServer : public QObject
{
    Q_OBJECT
public:
    // A peer that opens a connection and never finishes its handshake holds a socket;
    // a LAN handshake takes milliseconds.
    static constexpr std::chrono::milliseconds kHandshakeTimeout{10000};
    // Connections still in their opening handshake, all addresses together: a classroom
    // of 200 tablets that find the server at once stays below it, a burst of half-open
    // connections is refused beyond it instead of holding sockets for the whole time-out.
    static constexpr int kMaximumUnfinishedHandshakes = 256;
    // The same from one address: a device opens one connection at a time.
    static constexpr int kMaximumUnfinishedHandshakesPerAddress = 4;

    ConnectedSocketServer(const QString& name, quint16 port);
    ~ConnectedSocketServer() override;

    // Whether it listens now; on failure ListenError() tells why.
    bool Listen();
    bool IsListening() const;
    QAbstractSocket::SocketError ListenError() const;
    QString ListenErrorString() const;
    // Shortens the handshake bound for tests.
    void SetHandshakeTimeout(std::chrono::milliseconds timeout);

    void Print(QDebug& debug) const;

Q_SIGNALS:
    // The receiver takes ownership of the socket.
    void SocketConnected(tessivar::communication::network::ConnectedSocket* socket);
    void ErrorOccurred(tessivar::communication::network::SocketError error);

private:
    void OnTcpConnection();
    void OnNewConnection();
    void OnServerError();
    void ForgetUnfinished(QTcpSocket* socket);

    quint16 m_port;
    QTcpServer m_listener;
    std::unique_ptr<QWebSocketServer> m_server;
    // TCP connections handed to the WebSocket server whose handshake has not finished.
    QHash<QTcpSocket*, QHostAddress> m_unfinished;
    // Addresses already logged as over their budget, until they are within it again.
    QSet<QHostAddress> m_refusedLogged;
    std::chrono::milliseconds m_handshakeTimeout = kHandshakeTimeout;
};

// "ConnectedSocketServer[SecureMode=<m>,IsListening=<b>,Port=<p>,Name=<n>]"
QDebug operator<<(QDebug debug, const ConnectedSocketServer& server);

} // namespace tessivar::communication::network
