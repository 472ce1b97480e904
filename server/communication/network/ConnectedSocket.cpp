#include "communication/network/ConnectedSocket.h"

#include "core/Logging.h"

#include <QDebug>
#include <QWebSocket>

namespace tessivar::communication::network {

ConnectedSocket::ConnectedSocket(const QString& origin)
    : m_socket(std::make_unique<QWebSocket>(origin, QWebSocketProtocol::Version13))
{
    Setup();
}

ConnectedSocket::ConnectedSocket(std::unique_ptr<QWebSocket> socket)
    : m_socket(std::move(socket))
{
    Setup();
    RememberPeer();
}

ConnectedSocket::~ConnectedSocket()
{
    // The QWebSocket may still report its closing; nobody is left to hear it.
    m_socket->disconnect(this);
}

void ConnectedSocket::Setup()
{
    m_socket->setMaxAllowedIncomingFrameSize(IncomingLimit());
    m_socket->setMaxAllowedIncomingMessageSize(IncomingLimit());
    connect(m_socket.get(), &QWebSocket::textMessageReceived, this, &ConnectedSocket::OnTextMessageReceived);
    connect(m_socket.get(), qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
            &ConnectedSocket::OnError);
    connect(m_socket.get(), &QWebSocket::connected, this, &ConnectedSocket::OnConnected);
    connect(m_socket.get(), &QWebSocket::disconnected, this, &ConnectedSocket::OnDisconnected);
}

void ConnectedSocket::RememberPeer()
{
    if (!m_socket->peerAddress().isNull())
        m_peer = PeerEndPoint(m_socket->peerAddress(), m_socket->peerPort());
}

void ConnectedSocket::Open(const PeerEndPoint& endPoint)
{
    qCDebug(lcCommunication).nospace() << "Opening websocket to endpoint [" << endPoint << "]";
    m_socket->open(endPoint.ToUrl());
}

void ConnectedSocket::Send(const QByteArray& data)
{
    // Printing a socket asks it for its state, name and address: the category check
    // comes first, so that costs nothing while debug lines are off.
    qCDebug(lcCommunication).nospace() << "Sending data to socket[" << *this << "]";
    m_socket->sendTextMessage(QString::fromUtf8(data));
}

void ConnectedSocket::Close()
{
    m_socket->close();
}

PeerEndPoint ConnectedSocket::GetPeerEndPoint() const
{
    // A connection's peer never changes: the endpoint is taken once it is known.
    if (m_peer)
        return *m_peer;
    if (!m_socket->peerAddress().isNull())
        return PeerEndPoint(m_socket->peerAddress(), m_socket->peerPort());
    return PeerEndPoint();
}

bool ConnectedSocket::HasConnected() const
{
    return m_peer.has_value();
}

void ConnectedSocket::OnTrustChanged()
{
    m_socket->setMaxAllowedIncomingFrameSize(IncomingLimit());
    m_socket->setMaxAllowedIncomingMessageSize(IncomingLimit());
}

void ConnectedSocket::ClosePolicyViolated()
{
    m_socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
}

void ConnectedSocket::OnTextMessageReceived(const QString& message)
{
    Deliver(message.toUtf8());
}

void ConnectedSocket::OnConnected()
{
    RememberPeer();
    qCDebug(lcCommunication).nospace() << *this << ": connected";
    Q_EMIT Connected();
}

void ConnectedSocket::OnDisconnected()
{
    if (m_socket->closeCode() == QWebSocketProtocol::CloseCodeTooMuchData) {
        qCWarning(lcCommunication).nospace() << *this << ": refused an incoming message or frame larger than ["
                                             << IncomingLimit() << "] bytes, connection closed";
    }
    qCDebug(lcCommunication).nospace() << *this << ": disconnected";
    Q_EMIT Disconnected();
}

void ConnectedSocket::OnError(QAbstractSocket::SocketError error)
{
    qCDebug(lcCommunication).nospace() << *this << ": error:" << error;
    if (error == QAbstractSocket::DatagramTooLargeError)
        Q_EMIT ErrorOccurred(SocketError::ConnectionError);
}

void ConnectedSocket::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "ConnectedSocket[State=" << m_socket->state() << ",PeerName=" << m_socket->peerName()
                              << ",PeerAddress=" << m_socket->peerAddress().toString() << ":" << m_socket->peerPort()
                              << "]";
}

} // namespace tessivar::communication::network
