#pragma once

#include "communication/network/IConnectedSocket.h"
#include "communication/network/PeerEndPoint.h"

#include <QAbstractSocket>
#include <QByteArray>

#include <memory>
#include <optional>

class QDebug;
class QWebSocket;

namespace tessivar::communication::network {

// One WebSocket connection, accepted by the server or opened by this side. Carries
// text messages as opaque bytes; binary messages are not listened to.
class ConnectedSocket final : public IConnectedSocket
{
    Q_OBJECT
public:
    // An outgoing connection, opened later with Open().
    explicit ConnectedSocket(const QString& origin);
    // A connection accepted by the server.
    explicit ConnectedSocket(std::unique_ptr<QWebSocket> socket);
    ~ConnectedSocket() override;

    void Open(const PeerEndPoint& endPoint);
    void Send(const QByteArray& data) override;
    void Close() override;
    PeerEndPoint GetPeerEndPoint() const override;
    bool HasConnected() const override;
    void Print(QDebug& debug) const override;

protected:
    void OnTrustChanged() override;
    void ClosePolicyViolated() override;

private:
    void Setup();
    void OnTextMessageReceived(const QString& message);
    void OnConnected();
    void OnDisconnected();
    void OnError(QAbstractSocket::SocketError error);
    void RememberPeer();

    std::unique_ptr<QWebSocket> m_socket;
    std::optional<PeerEndPoint> m_peer;
};

} // namespace tessivar::communication::network
