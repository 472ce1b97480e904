#include "communication/network/ConnectedSocketServer.h"

#include "communication/network/ConnectedSocket.h"
#include "core/Logging.h"

#include <QDebug>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

namespace tessivar::communication::network {

ConnectedSocketServer::ConnectedSocketServer(const QString& name, quint16 port)
    : m_port(port)
    , m_server(std::make_unique<QWebSocketServer>(name, QWebSocketServer::NonSecureMode))
{
    qCDebug(lcCommunication) << "Initializing server" << *this;
    m_server->setHandshakeTimeout(kHandshakeTimeout);
    connect(m_server.get(), &QWebSocketServer::newConnection, this, &ConnectedSocketServer::OnNewConnection);
    connect(m_server.get(), &QWebSocketServer::serverError, this, &ConnectedSocketServer::OnServerError);
    // The TCP side is ours, so that connections still in their handshake can be counted.
    connect(&m_listener, &QTcpServer::newConnection, this, &ConnectedSocketServer::OnTcpConnection);
}

void ConnectedSocketServer::SetHandshakeTimeout(std::chrono::milliseconds timeout)
{
    m_handshakeTimeout = timeout;
    m_server->setHandshakeTimeout(timeout);
}

void ConnectedSocketServer::OnServerError()
{
    // A failed listen is reported by Listen() itself.
    if (!m_listener.isListening())
        return;
    qCWarning(lcCommunication).nospace().noquote()
        << *this << ": refused a connection attempt: " << m_server->errorString();
}

ConnectedSocketServer::~ConnectedSocketServer()
{
    m_server->disconnect(this);
    m_listener.disconnect(this);
    for (auto it = m_unfinished.keyBegin(); it != m_unfinished.keyEnd(); ++it)
        (*it)->disconnect(this);
}

bool ConnectedSocketServer::Listen()
{
    qCInfo(lcCommunication).nospace() << *this << ": trying to listen to connected communication on port " << m_port;
    if (m_listener.listen(QHostAddress::Any, m_port)) {
        qCInfo(lcCommunication).nospace() << *this << ": Ready";
        return true;
    }
    qCWarning(lcCommunication) << "Could not listen";
    qCWarning(lcCommunication).nospace().noquote() << *this << ": " << m_listener.errorString();
    Q_EMIT ErrorOccurred(SocketError::ListenFailed);
    return false;
}

QAbstractSocket::SocketError ConnectedSocketServer::ListenError() const
{
    return m_listener.serverError();
}

QString ConnectedSocketServer::ListenErrorString() const
{
    return m_listener.errorString();
}

bool ConnectedSocketServer::IsListening() const
{
    return m_listener.isListening();
}

void ConnectedSocketServer::OnTcpConnection()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        const QHostAddress address = socket->peerAddress();
        const auto fromAddress = std::count(m_unfinished.cbegin(), m_unfinished.cend(), address);
        if (m_unfinished.size() >= kMaximumUnfinishedHandshakes
            || fromAddress >= kMaximumUnfinishedHandshakesPerAddress) {
            if (!m_refusedLogged.contains(address)) {
                qCWarning(lcCommunication).nospace()
                    << *this << ": too many unfinished handshakes, refusing connections from " << address.toString();
                m_refusedLogged.insert(address);
            }
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_refusedLogged.remove(address);
        m_unfinished.insert(socket, address);
        // Gone when the handshake fails or times out, or handed over when it succeeds.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { ForgetUnfinished(socket); });
        connect(socket, &QObject::destroyed, this, [this, socket] { m_unfinished.remove(socket); });
        // The WebSocket server bounds only the handshakes of its own listener: this one
        // is bounded here.
        QTimer::singleShot(m_handshakeTimeout, socket, [this, socket] {
            if (!m_unfinished.contains(socket))
                return;
            qCInfo(lcCommunication).nospace()
                << *this << ": handshake not finished in time, dropping " << socket->peerAddress().toString();
            socket->abort();
        });
        // Small messages one after another: without this an answer waits for the ACK of
        // the previous one, which the peer holds back for up to 40 ms.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_server->handleConnection(socket);
    }
}

void ConnectedSocketServer::ForgetUnfinished(QTcpSocket* socket)
{
    if (m_unfinished.remove(socket))
        socket->disconnect(this);
}

void ConnectedSocketServer::OnNewConnection()
{
    qCInfo(lcCommunication).nospace() << *this << ": New connection";
    while (m_server->hasPendingConnections()) {
        std::unique_ptr<QWebSocket> socket(m_server->nextPendingConnection());
        if (!socket)
            break;
        // Its handshake is done: the TCP connection under it no longer counts as unfinished.
        for (auto it = m_unfinished.begin(); it != m_unfinished.end(); ++it) {
            if (it.key()->peerAddress() == socket->peerAddress() && it.key()->peerPort() == socket->peerPort()) {
                it.key()->disconnect(this);
                m_unfinished.erase(it);
                break;
            }
        }
        // The server parents what it hands out; ownership moves to the ConnectedSocket.
        socket->setParent(nullptr);
        Q_EMIT SocketConnected(new ConnectedSocket(std::move(socket)));
    }
}

void ConnectedSocketServer::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "ConnectedSocketServer[SecureMode=" << m_server->secureMode()
                              << ",IsListening=" << m_listener.isListening();
    if (m_listener.isListening())
        debug << ",Port=" << m_listener.serverPort() << ",Name=" << m_server->serverName();
    debug << "]";
}

QDebug operator<<(QDebug debug, const ConnectedSocketServer& server)
{
    server.Print(debug);
    return debug;
}

} // namespace tessivar::communication::network
