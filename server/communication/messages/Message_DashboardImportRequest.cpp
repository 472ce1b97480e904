#include "communication/messages/Message_DashboardImportRequest.h"

#include "communication/JsonValues.h"

#include <QJsonArray>

namespace tessivar::communication {

namespace {

QJsonObject moduleToJson(const DashboardImportModule& module)
{
    return QJsonObject{
        {QStringLiteral("CreationRequestId"), module.creationRequestId},
        {QStringLiteral("Geometry"), JsonValues::WriteRect(module.geometry)},
        {QStringLiteral("Z"), module.z},
        {QStringLiteral("DataClassId"), module.dataClassId},
        {QStringLiteral("Profiles"), JsonValues::WriteStringList(module.profiles)},
        {QStringLiteral("DataWidget"), module.dataWidget},
        {QStringLiteral("Version"), JsonValues::WriteVersion(module.version)},
        {QStringLiteral("Parameters"), JsonValues::WriteMap(module.parameters)},
        {QStringLiteral("Data"), JsonValues::WriteMap(module.data)},
    };
}

DashboardImportModule moduleFromJson(const QJsonObject& object)
{
    DashboardImportModule module;
    module.creationRequestId = JsonValues::ReadInt(object.value(QLatin1StringView("CreationRequestId")));
    module.geometry = JsonValues::ReadRect(object.value(QLatin1StringView("Geometry")));
    module.z = JsonValues::ReadInt(object.value(QLatin1StringView("Z")));
    module.dataClassId = object.value(QLatin1StringView("DataClassId")).toString();
    module.profiles = JsonValues::ReadStringList(object.value(QLatin1StringView("Profiles")));
    module.dataWidget = object.value(QLatin1StringView("DataWidget")).toString();
    module.version = JsonValues::ReadVersion(object.value(QLatin1StringView("Version")));
    module.parameters = JsonValues::ReadMap(object.value(QLatin1StringView("Parameters")));
    module.data = JsonValues::ReadMap(object.value(QLatin1StringView("Data")));
    return module;
}

} // namespace

Message_DashboardImportRequest::Message_DashboardImportRequest(DashboardImportData_t importData)
    : TessivarMessage(MessageType_e::DashboardImportRequest)
    , m_importData(std::move(importData))
{
}

const DashboardImportData_t& Message_DashboardImportRequest::GetImportData() const
{
    return m_importData;
}

QJsonObject Message_DashboardImportRequest::ToJson() const
{
    QJsonArray modules;
    for (const DashboardImportModule& module : m_importData)
        modules.append(moduleToJson(module));
    return QJsonObject{{QStringLiteral("ModuleList"), modules}};
}

std::optional<std::unique_ptr<IMessage>> Message_DashboardImportRequest::FromJson(const QJsonObject& body)
{
    const QJsonArray array = body.value(QLatin1StringView("ModuleList")).toArray();
    DashboardImportData_t importData;
    importData.reserve(array.size());
    for (const QJsonValue& module : array)
        importData.append(moduleFromJson(module.toObject()));
    return std::make_unique<Message_DashboardImportRequest>(std::move(importData));
}

} // namespace tessivar::communication
