#pragma once

#include "communication/TessivarMessage.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// Asks a device for the layout of its dashboard; the body is empty.
class Message_DashboardExportRequest : public TessivarMessage
{
public:
    Message_DashboardExportRequest();

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);
};

} // namespace tessivar::communication
