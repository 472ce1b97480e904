#include "communication/messages/Message_RegisterBlockResponse.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_RegisterBlockResponse::Message_RegisterBlockResponse(BlockCreationStatus_e status, BlockId_t blockId,
                                                             BlockCreationRequestId_t requestIndex)
    : TessivarMessage(MessageType_e::RegisterModuleResponse)
    , m_status(status)
    , m_blockId(blockId)
    , m_requestIndex(requestIndex)
{
}

BlockCreationStatus_e Message_RegisterBlockResponse::GetStatus() const
{
    return m_status;
}

BlockId_t Message_RegisterBlockResponse::GetBlockId() const
{
    return m_blockId;
}

BlockCreationRequestId_t Message_RegisterBlockResponse::GetRequestIndex() const
{
    return m_requestIndex;
}

QJsonObject Message_RegisterBlockResponse::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("RegisterStatus"), int(m_status)},
        {QStringLiteral("ModuleId"), JsonValues::WriteDecimal(m_blockId)},
        {QStringLiteral("RequestIndex"), m_requestIndex},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_RegisterBlockResponse::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_RegisterBlockResponse>(
        BlockCreationStatus_e(JsonValues::ReadLow16(body.value(QLatin1StringView("RegisterStatus")))),
        JsonValues::ReadDecimal(body.value(QLatin1StringView("ModuleId"))),
        JsonValues::ReadInt(body.value(QLatin1StringView("RequestIndex"))));
}

} // namespace tessivar::communication
