#include "LoopbackLink.h"

#include "core/Logging.h"

#include <QDebug>
#include <QMetaObject>

namespace tessivar::test {

using communication::network::PeerEndPoint;

LoopbackSocket::LoopbackSocket(const PeerEndPoint& local, const PeerEndPoint& peer)
    : m_local(local)
    , m_peer(peer)
{
}

LoopbackSocket::~LoopbackSocket()
{
    // Like a dropped TCP connection: the other end hears that the link went away, also
    // when it was still waiting for the answer to its close.
    if (m_other)
        QMetaObject::invokeMethod(
            m_other.data(), [other = m_other] { other->OnPeerClosed(false); }, Qt::QueuedConnection);
}

std::pair<std::unique_ptr<LoopbackSocket>, std::unique_ptr<LoopbackSocket>>
LoopbackSocket::createPair(const PeerEndPoint& first, const PeerEndPoint& second)
{
    std::unique_ptr<LoopbackSocket> a(new LoopbackSocket(first, second));
    std::unique_ptr<LoopbackSocket> b(new LoopbackSocket(second, first));
    a->m_other = b.get();
    b->m_other = a.get();
    return {std::move(a), std::move(b)};
}

void LoopbackSocket::Send(const QByteArray& data)
{
    qCDebug(lcCommunication).nospace() << "Sending data to socket[" << *this << "]";
    Transmit(data, true);
}

void LoopbackSocket::SendBinary(const QByteArray& data)
{
    Transmit(data, false);
}

void LoopbackSocket::Transmit(const QByteArray& data, bool text)
{
    if (!m_open || !m_other)
        return;
    // Queued, so that a message never arrives inside the sender's own call, and messages
    // and the close after them arrive in the order they were sent.
    QMetaObject::invokeMethod(
        m_other.data(), [other = m_other, data, text] { other->Receive(data, text); }, Qt::QueuedConnection);
}

void LoopbackSocket::Receive(const QByteArray& data, bool text)
{
    if (!m_open || !text)
        return;
    if (data.size() > IncomingLimit()) {
        qCWarning(lcCommunication).nospace() << *this << ": refused an incoming message or frame larger than ["
                                             << IncomingLimit() << "] bytes, connection closed";
        Close();
        return;
    }
    Deliver(data);
}

void LoopbackSocket::Close()
{
    if (!m_open)
        return;
    m_open = false;
    // As a close frame: the other end closes too and answers, and only then is this end
    // disconnected, so that the other side has seen the end of the link first.
    if (m_other)
        QMetaObject::invokeMethod(
            m_other.data(), [other = m_other] { other->OnPeerClosed(true); }, Qt::QueuedConnection);
    else
        ReportDisconnected();
}

void LoopbackSocket::ClosePolicyViolated()
{
    Close();
}

void LoopbackSocket::OnPeerClosed(bool answer)
{
    m_open = false;
    ReportDisconnected();
    if (answer && m_other)
        QMetaObject::invokeMethod(
            m_other.data(), [other = m_other] { other->OnPeerClosed(false); }, Qt::QueuedConnection);
}

void LoopbackSocket::ReportDisconnected()
{
    if (m_disconnectReported)
        return;
    m_disconnectReported = true;
    // From the event loop, as a WebSocket reports its end: the owner may release this
    // end while it handles the signal.
    QMetaObject::invokeMethod(
        this,
        [this] {
            qCDebug(lcCommunication).nospace() << *this << ": disconnected";
            Q_EMIT Disconnected();
        },
        Qt::QueuedConnection);
}

PeerEndPoint LoopbackSocket::GetPeerEndPoint() const
{
    return m_peer;
}

PeerEndPoint LoopbackSocket::GetLocalEndPoint() const
{
    return m_local;
}

bool LoopbackSocket::HasConnected() const
{
    return true;
}

bool LoopbackSocket::IsOpen() const
{
    return m_open;
}

void LoopbackSocket::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "LoopbackSocket[State=" << (m_open ? "Connected" : "Unconnected")
                              << ",PeerAddress=" << m_peer.GetAddress().toString() << ":"
                              << m_peer.GetPort().value_or(0) << "]";
}

} // namespace tessivar::test
