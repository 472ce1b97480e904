#include "communication/messages/Message_BlockList.h"

#include "communication/JsonValues.h"

#include <QJsonArray>

namespace tessivar::communication {

Message_BlockList::Message_BlockList(QList<BlockId_t> blockIds)
    : TessivarMessage(MessageType_e::ModuleList)
    , m_blockIds(std::move(blockIds))
{
}

const QList<BlockId_t>& Message_BlockList::GetBlockIds() const
{
    return m_blockIds;
}

void Message_BlockList::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "ModuleList[";
    for (qsizetype i = 0; i < m_blockIds.size(); ++i)
        debug << (i == 0 ? "" : ",") << m_blockIds.at(i);
    debug << "]";
}

QJsonObject Message_BlockList::ToJson() const
{
    QJsonArray ids;
    for (BlockId_t id : m_blockIds)
        ids.append(JsonValues::WriteDecimal(id));
    return QJsonObject{{QStringLiteral("ModuleList"), ids}};
}

std::optional<std::unique_ptr<IMessage>> Message_BlockList::FromJson(const QJsonObject& body)
{
    const QJsonArray array = body.value(QLatin1StringView("ModuleList")).toArray();
    QList<BlockId_t> ids;
    ids.reserve(array.size());
    for (const QJsonValue& id : array)
        ids.append(JsonValues::ReadDecimal(id));
    return std::make_unique<Message_BlockList>(std::move(ids));
}

} // namespace tessivar::communication
