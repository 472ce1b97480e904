#include "communication/ICommunicationHandler.h"

namespace tessivar::communication {

ICommunicationHandler::ICommunicationHandler(QObject* parent)
    : QObject(parent)
{
    // Receptions may be delivered through queued connections.
    qRegisterMetaType<MessageReception>("tessivar::communication::MessageReception");
}

ICommunicationHandler::~ICommunicationHandler() = default;

} // namespace tessivar::communication
