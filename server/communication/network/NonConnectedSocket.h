#pragma once

#include "communication/network/INonConnectedSocket.h"

#include <QUdpSocket>

#include <memory>

namespace tessivar::communication::network {

// The UDP socket of the discovery traffic. Datagrams always go to this socket's own
// port, which is where the peers listen; received datagrams are attributed to the
// sender's address at that same port.
class NonConnectedSocket : public INonConnectedSocket
{
    Q_OBJECT
public:
    // The most a UDP datagram over IPv4 can carry (65,535 less the IP and UDP headers); a
    // Hello is a few hundred bytes. A larger size announced is not real and is discarded
    // without being read into memory.
    static constexpr qint64 kMaximumDatagramSize = 65507;

    NonConnectedSocket(quint16 port, const QString& description);
    ~NonConnectedSocket() override;

    void Print(QDebug& debug) const override;
    void Bind() override;
    void SendTo(const QByteArray& data, const PeerEndPoint& endPoint) override;
    void Broadcast(const QByteArray& data) override;
    std::optional<QAbstractSocket::SocketError> BindError() const override;
    QString BindErrorString() const override;

    // Lowers the bound for tests: real datagrams never come near the default.
    void SetMaximumDatagramSize(qint64 bytes);

private:
    void ReadPendingDatagrams();
    void DiscardPendingDatagram(qint64 size);

    quint16 m_port;
    QString m_description;
    std::unique_ptr<QUdpSocket> m_socket;
    std::optional<QAbstractSocket::SocketError> m_bindError;
    QString m_bindErrorString;
    qint64 m_maximumDatagramSize = kMaximumDatagramSize;
};

} // namespace tessivar::communication::network
