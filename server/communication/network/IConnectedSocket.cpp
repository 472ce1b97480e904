#include "communication/network/IConnectedSocket.h"

#include "core/Logging.h"

#include <QDebug>

namespace tessivar::communication::network {

IConnectedSocket::~IConnectedSocket() = default;

void IConnectedSocket::SetTrusted(bool trusted)
{
    if (m_trusted == trusted)
        return;
    m_trusted = trusted;
    OnTrustChanged();
}

bool IConnectedSocket::IsTrusted() const
{
    return m_trusted;
}

qint64 IConnectedSocket::IncomingLimit() const
{
    return m_trusted ? kMaximumIncomingMessageSize : kMaximumUntrustedMessageSize;
}

void IConnectedSocket::SetClock(Clock clock)
{
    m_clock = std::move(clock);
}

void IConnectedSocket::MarkActive(TimePoint when)
{
    m_lastActivity = when;
}

std::optional<TimePoint> IConnectedSocket::LastActivity() const
{
    return m_lastActivity;
}

bool IConnectedSocket::WithinBudget()
{
    if (m_overBudget)
        return false;
    if (m_trusted)
        return true;
    const TimePoint now = m_clock();
    if (now - m_windowStart >= std::chrono::seconds(1) || now < m_windowStart) {
        m_windowStart = now;
        m_messagesInWindow = 0;
    }
    if (++m_messagesInWindow <= kMaximumUntrustedMessagesPerSecond)
        return true;
    m_overBudget = true;
    qCWarning(lcCommunication).nospace() << *this << ": more than [" << kMaximumUntrustedMessagesPerSecond
                                         << "] messages in a second before registering, connection closed";
    ClosePolicyViolated();
    return false;
}

void IConnectedSocket::Deliver(const QByteArray& data)
{
    if (!WithinBudget())
        return;
    qCDebug(lcCommunication).nospace() << *this << ": data received";
    Q_EMIT DataReceived(data);
}

QDebug operator<<(QDebug debug, const IConnectedSocket& socket)
{
    socket.Print(debug);
    return debug;
}

} // namespace tessivar::communication::network
