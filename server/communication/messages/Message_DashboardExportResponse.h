#pragma once

#include "communication/DashboardExportModule.h"
#include "communication/TessivarMessage.h"

#include <QList>
#include <QMap>
#include <memory>
#include <optional>

namespace tessivar::communication {

// A device's dashboard: the blocks on each profile, by profile name.
class Message_DashboardExportResponse : public TessivarMessage
{
public:
    using Profiles_t = QMap<QString, QList<DashboardExportModule>>;

    explicit Message_DashboardExportResponse(Profiles_t profiles);

    const Profiles_t& GetProfiles() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    Profiles_t m_profiles;
};

} // namespace tessivar::communication
