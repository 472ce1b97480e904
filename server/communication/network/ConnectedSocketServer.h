#pragma once

#include "communication/network/SocketError.h"

#include <QObject>
#include <QString>

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

    ConnectedSocketServer(const QString& name, quint16 port);
    ~ConnectedSocketServer() override;

    void Listen();
    bool IsListening() const;
    // Shortens the handshake bound for tests.
    void SetHandshakeTimeout(std::chrono::milliseconds timeout);

    void Print(QDebug& debug) const;

signals:
    // The receiver takes ownership of the socket.
    void SocketConnected(tessivar::communication::network::ConnectedSocket* socket);
    void ErrorOccurred(tessivar::communication::network::SocketError error);

private:
    void OnNewConnection();
    void OnServerError();

    quint16 m_port;
    std::unique_ptr<QWebSocketServer> m_server;
};

// "ConnectedSocketServer[SecureMode=<m>,IsListening=<b>,Port=<p>,Name=<n>]"
QDebug operator<<(QDebug debug, const ConnectedSocketServer& server);

} // namespace tessivar::communication::network
