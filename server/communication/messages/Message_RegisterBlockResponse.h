#pragma once

#include "core/BlockCreationStatus.h"
#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// The device's answer to a block registration.
class Message_RegisterBlockResponse : public TessivarMessage
{
public:
    Message_RegisterBlockResponse(BlockCreationStatus_e status, BlockId_t blockId,
                                  BlockCreationRequestId_t requestIndex);

    BlockCreationStatus_e GetStatus() const;
    BlockId_t GetBlockId() const;
    BlockCreationRequestId_t GetRequestIndex() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    BlockCreationStatus_e m_status;
    BlockId_t m_blockId;
    BlockCreationRequestId_t m_requestIndex;
};

} // namespace tessivar::communication
