#include "communication/messages/Message_DashboardExportRequest.h"

namespace tessivar::communication {

Message_DashboardExportRequest::Message_DashboardExportRequest()
    : TessivarMessage(MessageType_e::DashboardExportRequest)
{
}

QJsonObject Message_DashboardExportRequest::ToJson() const
{
    return QJsonObject();
}

std::optional<std::unique_ptr<IMessage>> Message_DashboardExportRequest::FromJson(const QJsonObject&)
{
    return std::make_unique<Message_DashboardExportRequest>();
}

} // namespace tessivar::communication
