#include "communication/IMessage.h"

namespace tessivar::communication {

QDebug operator<<(QDebug debug, const IMessage& message)
{
    message.Print(debug);
    return debug;
}

} // namespace tessivar::communication
