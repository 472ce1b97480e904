#include "communication/messages/Message_UpdateParameters.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_UpdateParameters::Message_UpdateParameters(BlockId_t blockId, QVariantMap parameters)
    : TessivarMessage(MessageType_e::UpdateParameters)
    , m_blockId(blockId)
    , m_parameters(std::move(parameters))
{
}

BlockId_t Message_UpdateParameters::GetBlockId() const
{
    return m_blockId;
}

const QVariantMap& Message_UpdateParameters::GetParameters() const
{
    return m_parameters;
}

QJsonObject Message_UpdateParameters::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("ModuleId"), JsonValues::WriteDecimal(m_blockId)},
        {QStringLiteral("ModuleParameters"), JsonValues::WriteMap(m_parameters)},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_UpdateParameters::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_UpdateParameters>(JsonValues::ReadDecimal(body.value(QLatin1StringView("ModuleId"))),
                                        JsonValues::ReadMap(body.value(QLatin1StringView("ModuleParameters"))));
}

} // namespace tessivar::communication
