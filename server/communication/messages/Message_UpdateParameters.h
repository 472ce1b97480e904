#pragma once

#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <QVariantMap>
#include <memory>
#include <optional>

namespace tessivar::communication {

// New parameters for one block.
class Message_UpdateParameters : public TessivarMessage
{
public:
    Message_UpdateParameters(BlockId_t blockId, QVariantMap parameters);

    BlockId_t GetBlockId() const;
    const QVariantMap& GetParameters() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    BlockId_t m_blockId;
    QVariantMap m_parameters;
};

} // namespace tessivar::communication
