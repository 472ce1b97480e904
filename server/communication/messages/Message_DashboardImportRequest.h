#pragma once

#include "communication/DashboardImportModule.h"
#include "communication/TessivarMessage.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// Asks a device to create every block of an imported dashboard.
class Message_DashboardImportRequest : public TessivarMessage
{
public:
    explicit Message_DashboardImportRequest(DashboardImportData_t importData);

    const DashboardImportData_t& GetImportData() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    DashboardImportData_t m_importData;
};

} // namespace tessivar::communication
