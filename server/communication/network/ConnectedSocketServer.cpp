#include "communication/network/ConnectedSocketServer.h"

#include "communication/network/ConnectedSocket.h"

#include <QDebug>
#include <QWebSocket>
#include <QWebSocketServer>

namespace tessivar::communication::network {

ConnectedSocketServer::ConnectedSocketServer(const QString& name, quint16 port)
    : m_port(port)
    , m_server(std::make_unique<QWebSocketServer>(name, QWebSocketServer::NonSecureMode))
{
    qDebug() << "Initializing server" << *this;
    m_server->setHandshakeTimeout(kHandshakeTimeout);
    connect(m_server.get(), &QWebSocketServer::newConnection, this, &ConnectedSocketServer::OnNewConnection);
    connect(m_server.get(), &QWebSocketServer::serverError, this, &ConnectedSocketServer::OnServerError);
}

void ConnectedSocketServer::SetHandshakeTimeout(std::chrono::milliseconds timeout)
{
    m_server->setHandshakeTimeout(timeout);
}

void ConnectedSocketServer::OnServerError()
{
    // A failed listen is reported by Listen() itself.
    if (!m_server->isListening())
        return;
    qWarning().nospace().noquote() << *this << ": refused a connection attempt: " << m_server->errorString();
}

ConnectedSocketServer::~ConnectedSocketServer()
{
    m_server->disconnect(this);
}

void ConnectedSocketServer::Listen()
{
    qInfo().nospace() << *this << ": trying to listen to connected communication on port " << m_port;
    if (m_server->listen(QHostAddress::Any, m_port)) {
        qInfo().nospace() << *this << ": Ready";
        return;
    }
    qWarning() << "Could not listen";
    emit ErrorOccurred(SocketError::ListenFailed);
}

bool ConnectedSocketServer::IsListening() const
{
    return m_server->isListening();
}

void ConnectedSocketServer::OnNewConnection()
{
    qInfo().nospace() << *this << ": New connection";
    while (m_server->hasPendingConnections()) {
        std::unique_ptr<QWebSocket> socket(m_server->nextPendingConnection());
        if (!socket)
            break;
        // The server parents what it hands out; ownership moves to the ConnectedSocket.
        socket->setParent(nullptr);
        emit SocketConnected(new ConnectedSocket(std::move(socket)));
    }
}

void ConnectedSocketServer::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "ConnectedSocketServer[SecureMode=" << m_server->secureMode()
                              << ",IsListening=" << m_server->isListening();
    if (m_server->isListening())
        debug << ",Port=" << m_server->serverPort() << ",Name=" << m_server->serverName();
    debug << "]";
}

QDebug operator<<(QDebug debug, const ConnectedSocketServer& server)
{
    server.Print(debug);
    return debug;
}

} // namespace tessivar::communication::network
