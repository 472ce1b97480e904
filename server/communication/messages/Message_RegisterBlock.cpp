#include "communication/messages/Message_RegisterBlock.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_RegisterBlock::Message_RegisterBlock(QString dataClassId, QString dataWidget, QVersionNumber serverVersion,
                                             QVariantMap parameters, QVariantMap data,
                                             BlockCreationRequestId_t requestIndex)
    : TessivarMessage(MessageType_e::RegisterModule)
    , m_dataClassId(std::move(dataClassId))
    , m_dataWidget(std::move(dataWidget))
    , m_serverVersion(std::move(serverVersion))
    , m_parameters(std::move(parameters))
    , m_data(std::move(data))
    , m_requestIndex(requestIndex)
{
}

const QString& Message_RegisterBlock::GetDataClassId() const
{
    return m_dataClassId;
}

const QString& Message_RegisterBlock::GetDataWidget() const
{
    return m_dataWidget;
}

const QVersionNumber& Message_RegisterBlock::GetServerVersion() const
{
    return m_serverVersion;
}

const QVariantMap& Message_RegisterBlock::GetParameters() const
{
    return m_parameters;
}

const QVariantMap& Message_RegisterBlock::GetData() const
{
    return m_data;
}

BlockCreationRequestId_t Message_RegisterBlock::GetRequestIndex() const
{
    return m_requestIndex;
}

QJsonObject Message_RegisterBlock::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("DataClassId"), m_dataClassId},
        {QStringLiteral("DataWidget"), m_dataWidget},
        {QStringLiteral("ServerVersion"), JsonValues::WriteVersion(m_serverVersion)},
        {QStringLiteral("Parameters"), JsonValues::WriteMap(m_parameters)},
        {QStringLiteral("Data"), JsonValues::WriteMap(m_data)},
        {QStringLiteral("RequestIndex"), m_requestIndex},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_RegisterBlock::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_RegisterBlock>(
        body.value(QLatin1StringView("DataClassId")).toString(), body.value(QLatin1StringView("DataWidget")).toString(),
        JsonValues::ReadVersion(body.value(QLatin1StringView("ServerVersion"))),
        JsonValues::ReadMap(body.value(QLatin1StringView("Parameters"))),
        JsonValues::ReadMap(body.value(QLatin1StringView("Data"))),
        JsonValues::ReadInt(body.value(QLatin1StringView("RequestIndex"))));
}

} // namespace tessivar::communication
