#include "communication/network/INonConnectedSocket.h"

#include <QDebug>

namespace tessivar::communication::network {

QDebug operator<<(QDebug debug, const INonConnectedSocket& socket)
{
    socket.Print(debug);
    return debug;
}

} // namespace tessivar::communication::network
