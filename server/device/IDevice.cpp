#include "device/IDevice.h"

#include <QDebug>

namespace tessivar::device {

QDebug operator<<(QDebug debug, const IDevice& device)
{
    device.Print(debug);
    return debug;
}

QDebug operator<<(QDebug debug, const std::unique_ptr<IDevice>& device)
{
    if (!device) {
        QDebugStateSaver saver(debug);
        debug.noquote() << "N/A";
        return debug;
    }
    return debug << *device;
}

} // namespace tessivar::device
