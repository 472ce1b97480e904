#include "communication/MessageSender.h"

namespace tessivar::communication {

namespace {

const char* senderTypeName(device::ApplicationType_e type)
{
    switch (type) {
    case device::ApplicationType_e::Client:
        return "Client";
    case device::ApplicationType_e::Server:
        return "Server";
    case device::ApplicationType_e::Helper:
        return "Helper";
    case device::ApplicationType_e::Unknown:
        break;
    }
    return "Unknown";
}

} // namespace

QDebug operator<<(QDebug debug, const MessageSender_t& sender)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "MessageSender_t[Id=" << sender.id
                              << ",SoftwareVersion=" << sender.softwareVersion.toString()
                              << ",ApplicationType=" << senderTypeName(sender.applicationType) << "]";
    return debug;
}

} // namespace tessivar::communication
