#pragma once

#include "communication/network/IConnectedSocket.h"
#include "communication/network/PeerEndPoint.h"

#include <QByteArray>
#include <QPointer>

#include <memory>
#include <utility>

namespace tessivar::test {

// One end of a link inside the process. A message sent on one end arrives on the
// other, queued through the event loop in order, as a WebSocket's would; closing or
// destroying one end is seen by both as a disconnect. Each end sits at an endpoint of
// its own, which the other reports as its peer, so that the server tells loopback peers
// apart by address as it does on a LAN.
class LoopbackSocket final : public communication::network::IConnectedSocket
{
    Q_OBJECT
public:
    using PeerEndPoint = communication::network::PeerEndPoint;

    ~LoopbackSocket() override;

    // Two linked ends, the first at `first`, the second at `second`, both open.
    static std::pair<std::unique_ptr<LoopbackSocket>, std::unique_ptr<LoopbackSocket>>
    createPair(const PeerEndPoint& first, const PeerEndPoint& second);

    void Send(const QByteArray& data) override;
    // A binary frame: carried, and (as on a WebSocket) not listened to by the other end.
    void SendBinary(const QByteArray& data);
    void Close() override;
    PeerEndPoint GetPeerEndPoint() const override;
    bool HasConnected() const override;
    void Print(QDebug& debug) const override;

    bool IsOpen() const;
    PeerEndPoint GetLocalEndPoint() const;

protected:
    void ClosePolicyViolated() override;

private:
    LoopbackSocket(const PeerEndPoint& local, const PeerEndPoint& peer);
    void Transmit(const QByteArray& data, bool text);
    void Receive(const QByteArray& data, bool text);
    // The other end closed (and, when `answer`, waits to hear this end close too) or went away.
    void OnPeerClosed(bool answer);
    void ReportDisconnected();

    PeerEndPoint m_local;
    PeerEndPoint m_peer;
    QPointer<LoopbackSocket> m_other;
    bool m_open = true;
    bool m_disconnectReported = false;
};

} // namespace tessivar::test
