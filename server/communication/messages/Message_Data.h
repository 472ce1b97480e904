#pragma once

#include "communication/JsonSpanScanner.h"
#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <QVariantMap>
#include <memory>
#include <optional>

namespace tessivar::communication {

// Data for, or from, one block.
class Message_Data : public TessivarMessage
{
public:
    Message_Data(BlockId_t blockId, QVariantMap data);

    BlockId_t GetBlockId() const;
    const QVariantMap& GetData() const;

    QJsonObject ToJson() const override;
    void AppendJson(QByteArray& out) const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);
    // The same reading straight from the envelope's text: block data is most of what
    // devices send, and the body need not become a QJsonObject first.
    static std::unique_ptr<IMessage> FromText(QByteArrayView text, TextSpan body);

private:
    BlockId_t m_blockId;
    QVariantMap m_data;
};

} // namespace tessivar::communication
