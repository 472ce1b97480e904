#pragma once

#include "communication/network/NetworkClock.h"
#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"

#include <QByteArray>
#include <QObject>

#include <optional>

class QDebug;

namespace tessivar::communication::network {

// One open link to a peer that carries text messages as opaque bytes: a WebSocket on
// the network (ConnectedSocket), or any other transport that the socket manager can be
// handed. The limits on untrusted peers and the activity stamp of the idle check live
// here, so that no transport can leave them out.
class IConnectedSocket : public QObject
{
    Q_OBJECT
public:
    // A message is one JSON document of a few kilobytes (file pieces are 100000 bytes
    // before encoding); larger ones are refused before their payload is buffered.
    static constexpr qint64 kMaximumIncomingMessageSize = 16 * 1024 * 1024;
    // Until its device has registered (and been approved) a peer has only a Hello and a
    // RegisterDevice to send, a few hundred bytes each: a connection starts with this
    // limit and gets the one above once trusted.
    static constexpr qint64 kMaximumUntrustedMessageSize = 64 * 1024;
    // Messages a peer may send in one second before its device has registered: it has
    // only a Hello and a RegisterDevice to say, now and then. Beyond it the connection is
    // closed, so that a flood of invented devices costs the server one connection each.
    static constexpr int kMaximumUntrustedMessagesPerSecond = 20;

    ~IConnectedSocket() override;

    virtual void Send(const QByteArray& data) = 0;
    virtual void Close() = 0;
    // The peer's address and port; kept after the link ends so that its owner can still
    // tell which peer went away.
    virtual PeerEndPoint GetPeerEndPoint() const = 0;
    // True once the link was established (always for an accepted one).
    virtual bool HasConnected() const = 0;
    virtual void Print(QDebug& debug) const = 0;

    // A link whose device has registered is no longer held to the budget of untrusted
    // peers, and may send larger messages.
    void SetTrusted(bool trusted);
    bool IsTrusted() const;
    void SetClock(Clock clock);
    // When the peer last spoke (or the link opened): its owner's idle check reads it,
    // kept here so that a message costs no look-up.
    void MarkActive(TimePoint when);
    std::optional<TimePoint> LastActivity() const;

Q_SIGNALS:
    void DataReceived(QByteArray data);
    void ErrorOccurred(tessivar::communication::network::SocketError error);
    void Connected();
    void Disconnected();

protected:
    IConnectedSocket() = default;

    // The size of message the peer may send now.
    qint64 IncomingLimit() const;
    // Reports one received message, unless an untrusted peer is over its budget (the
    // link is then closed as a policy violation).
    void Deliver(const QByteArray& data);
    virtual void OnTrustChanged() { }
    virtual void ClosePolicyViolated() = 0;

private:
    bool WithinBudget();

    bool m_trusted = false;
    bool m_overBudget = false;
    Clock m_clock = systemNow;
    TimePoint m_windowStart;
    int m_messagesInWindow = 0;
    std::optional<TimePoint> m_lastActivity;
};

// The link's debug form, as its transport writes it.
QDebug operator<<(QDebug debug, const IConnectedSocket& socket);

} // namespace tessivar::communication::network
