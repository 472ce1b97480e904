#include "communication/messages/Message_DashboardExportResponse.h"

#include "communication/JsonValues.h"

#include <QJsonArray>

namespace tessivar::communication {

namespace {

QJsonObject moduleToJson(const DashboardExportModule& module)
{
    return QJsonObject{
        {QStringLiteral("Id"), JsonValues::WriteDecimal(module.blockId)},
        {QStringLiteral("Geometry"), JsonValues::WriteRect(module.geometry)},
        {QStringLiteral("Z"), module.z},
        {QStringLiteral("DataClassId"), module.dataClassId},
    };
}

DashboardExportModule moduleFromJson(const QJsonObject& object)
{
    return DashboardExportModule{JsonValues::ReadDecimal(object.value(QLatin1StringView("Id"))),
                                 JsonValues::ReadRect(object.value(QLatin1StringView("Geometry"))),
                                 JsonValues::ReadInt(object.value(QLatin1StringView("Z"))),
                                 object.value(QLatin1StringView("DataClassId")).toString()};
}

QList<DashboardExportModule> modulesFromJson(const QJsonObject& profile)
{
    const QJsonArray array = profile.value(QLatin1StringView("Modules")).toArray();
    QList<DashboardExportModule> modules;
    modules.reserve(array.size());
    for (const QJsonValue& module : array)
        modules.append(moduleFromJson(module.toObject()));
    return modules;
}

} // namespace

Message_DashboardExportResponse::Message_DashboardExportResponse(Profiles_t profiles)
    : TessivarMessage(MessageType_e::DashboardExportResponse)
    , m_profiles(std::move(profiles))
{
}

const Message_DashboardExportResponse::Profiles_t& Message_DashboardExportResponse::GetProfiles() const
{
    return m_profiles;
}

QJsonObject Message_DashboardExportResponse::ToJson() const
{
    QJsonObject profiles;
    for (auto it = m_profiles.cbegin(); it != m_profiles.cend(); ++it) {
        QJsonArray modules;
        for (const DashboardExportModule& module : it.value())
            modules.append(moduleToJson(module));
        profiles.insert(it.key(), QJsonObject{{QStringLiteral("Modules"), modules}});
    }
    return QJsonObject{{QStringLiteral("Profiles"), profiles}};
}

std::optional<std::unique_ptr<IMessage>> Message_DashboardExportResponse::FromJson(const QJsonObject& body)
{
    const QJsonObject object = body.value(QLatin1StringView("Profiles")).toObject();
    Profiles_t profiles;
    for (auto it = object.begin(); it != object.end(); ++it)
        profiles.insert(it.key(), modulesFromJson(it.value().toObject()));
    return std::make_unique<Message_DashboardExportResponse>(std::move(profiles));
}

} // namespace tessivar::communication
