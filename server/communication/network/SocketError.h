#pragma once

#include <QMetaType>

class QDebug;

namespace tessivar::communication::network {

// What a socket of this subsystem reports; travels in (possibly queued) signals.
enum class SocketError : int {
    BindFailed = 0,      // the UDP socket cannot bind its port
    ListenFailed = 1,    // the WebSocket server cannot listen on its port
    ConnectionError = 2, // a connected socket reported QAbstractSocket::DatagramTooLargeError
};

QDebug operator<<(QDebug debug, SocketError error);

// Registers SocketError and PeerEndPoint for queued signals; safe to call repeatedly.
void registerNetworkMetaTypes();

} // namespace tessivar::communication::network

Q_DECLARE_METATYPE(tessivar::communication::network::SocketError)
