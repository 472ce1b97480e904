#include "communication/network/SocketError.h"

#include "communication/network/PeerEndPoint.h"

#include <QDebug>

namespace tessivar::communication::network {

QDebug operator<<(QDebug debug, SocketError error)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << static_cast<int>(error);
    return debug;
}

void registerNetworkMetaTypes()
{
    qRegisterMetaType<SocketError>("SocketError");
    qRegisterMetaType<PeerEndPoint>("PeerEndPoint");
}

} // namespace tessivar::communication::network
