#pragma once

#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// Removes one block from a device.
class Message_DeleteBlock : public TessivarMessage
{
public:
    explicit Message_DeleteBlock(BlockId_t blockId);

    BlockId_t GetBlockId() const;

    void Print(QDebug& debug) const override;
    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    BlockId_t m_blockId;
};

} // namespace tessivar::communication
