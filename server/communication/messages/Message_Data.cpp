#include "communication/messages/Message_Data.h"

#include "communication/JsonSpanScanner.h"
#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_Data::Message_Data(BlockId_t blockId, QVariantMap data)
    : TessivarMessage(MessageType_e::Data)
    , m_blockId(blockId)
    , m_data(std::move(data))
{
}

BlockId_t Message_Data::GetBlockId() const
{
    return m_blockId;
}

const QVariantMap& Message_Data::GetData() const
{
    return m_data;
}

QJsonObject Message_Data::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("ModuleId"), JsonValues::WriteDecimal(m_blockId)},
        {QStringLiteral("ModuleData"), JsonValues::WriteMap(m_data)},
    };
}

void Message_Data::AppendJson(QByteArray& out) const
{
    // Members in the order QJsonDocument sorts them.
    out.append(R"({"ModuleData":)");
    JsonValues::AppendMap(out, m_data);
    out.append(R"(,"ModuleId":")");
    JsonValues::AppendDecimal(out, m_blockId);
    out.append("\"}");
}

std::optional<std::unique_ptr<IMessage>> Message_Data::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_Data>(JsonValues::ReadDecimal(body.value(QLatin1StringView("ModuleId"))),
                                          JsonValues::ReadMap(body.value(QLatin1StringView("ModuleData"))));
}

std::unique_ptr<IMessage> Message_Data::FromText(QByteArrayView text, TextSpan body)
{
    // Read as FromJson reads the body's QJsonObject: a repeated member counts once, the
    // last time; members of the wrong type read as empty values.
    std::optional<TextSpan> blockId;
    std::optional<TextSpan> data;
    JsonSpanScanner::ForEachMember(text, body, [&](const JsonText& name, TextSpan value) {
        if (name.Is("ModuleId"))
            blockId = value;
        else if (name.Is("ModuleData"))
            data = value;
    });
    std::optional<TextSpan> mapData;
    if (data) {
        JsonSpanScanner::ForEachMember(text, *data, [&mapData](const JsonText& name, TextSpan value) {
            if (name.Is("MapData"))
                mapData = value;
        });
    }
    QVariantMap map;
    if (mapData) {
        const std::optional<JsonText> mapText = JsonSpanScanner::StringAt(text, *mapData);
        if (!mapText)
            map = JsonValues::ReadMapData(QString());
        else if (mapText->escaped)
            map = JsonValues::ReadMapData(mapText->Decoded());
        else // as it was sent: Base64 needs no escapes
            map = JsonValues::ReadMapData(mapText->bytes);
    }
    return std::make_unique<Message_Data>(blockId ? JsonSpanScanner::DecimalAt(text, *blockId) : 0, std::move(map));
}

} // namespace tessivar::communication
