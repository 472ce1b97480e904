#include "communication/messages/Message_DeleteBlock.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_DeleteBlock::Message_DeleteBlock(BlockId_t blockId)
    : TessivarMessage(MessageType_e::DeleteModule)
    , m_blockId(blockId)
{
}

BlockId_t Message_DeleteBlock::GetBlockId() const
{
    return m_blockId;
}

void Message_DeleteBlock::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "Delete[moduleId=" << m_blockId << "]";
}

QJsonObject Message_DeleteBlock::ToJson() const
{
    return QJsonObject{{QStringLiteral("ModuleId"), JsonValues::WriteDecimal(m_blockId)}};
}

std::optional<std::unique_ptr<IMessage>> Message_DeleteBlock::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_DeleteBlock>(JsonValues::ReadDecimal(body.value(QLatin1StringView("ModuleId"))));
}

} // namespace tessivar::communication
