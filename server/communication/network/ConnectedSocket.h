#pragma once

#include "communication/network/NetworkClock.h"
#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>

#include <memory>
#include <optional>

class QDebug;
class QWebSocket;

namespace tessivar::communication::network {

// One WebSocket connection, accepted by the server or opened by this side. Carries
// text messages as opaque bytes; binary messages are not listened to.
class ConnectedSocket : public QObject
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

    // An outgoing connection, opened later with Open().
    explicit ConnectedSocket(const QString& origin);
    // A connection accepted by the server.
    explicit ConnectedSocket(std::unique_ptr<QWebSocket> socket);
    ~ConnectedSocket() override;

    void Open(const PeerEndPoint& endPoint);
    void Send(const QByteArray& data);
    void Close();
    // The peer's address and port; kept after the connection ends so that its owner
    // can still tell which peer went away.
    PeerEndPoint GetPeerEndPoint() const;
    // True once the connection was established (always for an accepted one).
    bool HasConnected() const;
    // A connection whose device has registered is no longer held to the budget of
    // untrusted peers.
    // Also sets the size of message the peer may send.
    void SetTrusted(bool trusted);
    void SetClock(Clock clock);
    // When the peer last spoke (or the connection opened): its owner's idle check reads
    // it, kept here so that a message costs no look-up.
    void MarkActive(TimePoint when);
    std::optional<TimePoint> LastActivity() const;

    void Print(QDebug& debug) const;

Q_SIGNALS:
    void DataReceived(QByteArray data);
    void ErrorOccurred(tessivar::communication::network::SocketError error);
    void Connected();
    void Disconnected();

private:
    void Setup();
    qint64 IncomingLimit() const;
    void OnTextMessageReceived(const QString& message);
    void OnConnected();
    void OnDisconnected();
    void OnError(QAbstractSocket::SocketError error);
    void RememberPeer();
    bool WithinBudget();

    std::unique_ptr<QWebSocket> m_socket;
    std::optional<PeerEndPoint> m_peer;
    bool m_trusted = false;
    bool m_overBudget = false;
    Clock m_clock = systemNow;
    TimePoint m_windowStart;
    int m_messagesInWindow = 0;
    std::optional<TimePoint> m_lastActivity;
};

// "ConnectedSocket[State=<s>,PeerName=<n>,PeerAddress=<a>:<p>]"
QDebug operator<<(QDebug debug, const ConnectedSocket& socket);

} // namespace tessivar::communication::network
