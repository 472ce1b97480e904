#include "LoopbackPeerLink.h"

#include "communication/network/SocketManager.h"

#include <QTest>

namespace tessivar::test {

using communication::network::PeerEndPoint;

namespace {

// Ports of the peers' ends, distinct within the process as the system's would be.
quint16 nextLocalPort()
{
    static quint16 next = 40000;
    next = next == 65535 ? 40000 : next + 1;
    return next;
}

} // namespace

LoopbackPeerLink::LoopbackPeerLink(const QHostAddress& localAddress, communication::network::SocketManager& server,
                                   QObject* parent)
    : PeerLink(parent)
    , m_localAddress(localAddress)
    , m_server(&server)
{
}

LoopbackPeerLink::~LoopbackPeerLink() = default;

void LoopbackPeerLink::open(const QHostAddress& server, quint16 port)
{
    if (m_end)
        m_end->disconnect(this);
    m_end.reset();
    if (!m_server) {
        Q_EMIT disconnected();
        return;
    }
    m_disconnected = false;
    m_localPort = nextLocalPort();
    auto [peerEnd, serverEnd]
        = LoopbackSocket::createPair(PeerEndPoint(m_localAddress, m_localPort), PeerEndPoint(server, port));
    m_end = std::move(peerEnd);
    // What the server sends is not held to the limits the server puts on its peers.
    m_end->SetTrusted(true);
    connect(m_end.get(), &LoopbackSocket::DataReceived, this, &PeerLink::textMessageReceived);
    connect(m_end.get(), &LoopbackSocket::Disconnected, this, &LoopbackPeerLink::onDisconnected);
    m_server->Accept(std::move(serverEnd));
    // After the server has taken it, as a handshake finishes.
    Q_EMIT connected();
}

bool LoopbackPeerLink::connectToServer(const QHostAddress& server, quint16 port, int)
{
    open(server, port);
    return isOpen();
}

bool LoopbackPeerLink::isOpen() const
{
    return m_end && m_end->IsOpen();
}

bool LoopbackPeerLink::waitForDisconnected(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !m_end || m_disconnected; }, timeoutMs);
}

void LoopbackPeerLink::sendText(const QByteArray& utf8)
{
    if (m_end)
        m_end->Send(utf8);
}

void LoopbackPeerLink::sendBinary(const QByteArray& data)
{
    if (m_end)
        m_end->SendBinary(data);
}

void LoopbackPeerLink::close()
{
    if (m_end)
        m_end->Close();
}

void LoopbackPeerLink::abort()
{
    close();
}

QHostAddress LoopbackPeerLink::localAddress() const
{
    return m_localAddress;
}

quint16 LoopbackPeerLink::localPort() const
{
    return m_localPort;
}

void LoopbackPeerLink::onDisconnected()
{
    m_disconnected = true;
    Q_EMIT disconnected();
}

} // namespace tessivar::test
