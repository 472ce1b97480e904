#pragma once

#include "communication/network/PeerEndPoint.h"
#include "communication/network/SocketError.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QDebug;

namespace tessivar::communication::network {

// A datagram socket: sends to one address or broadcasts, and (once bound) reports
// every non-empty datagram it receives.
class INonConnectedSocket : public QObject
{
    Q_OBJECT
public:
    ~INonConnectedSocket() override = default;

    virtual void Print(QDebug& debug) const = 0;
    virtual void Bind() = 0;
    virtual void SendTo(const QByteArray& data, const PeerEndPoint& endPoint) = 0;
    virtual void Broadcast(const QByteArray& data) = 0;
    // Why the last Bind() failed, with the system's text; nullopt after a bind that held.
    virtual std::optional<QAbstractSocket::SocketError> BindError() const = 0;
    virtual QString BindErrorString() const = 0;

Q_SIGNALS:
    void DataReceived(QByteArray data, tessivar::communication::network::PeerEndPoint senderEndPoint);
    void ErrorOccurred(tessivar::communication::network::SocketError error);

protected:
    INonConnectedSocket() = default;
};

QDebug operator<<(QDebug debug, const INonConnectedSocket& socket);

} // namespace tessivar::communication::network
