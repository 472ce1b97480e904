#pragma once

#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <QList>
#include <memory>
#include <optional>

namespace tessivar::communication {

// The blocks that a device holds.
class Message_BlockList : public TessivarMessage
{
public:
    explicit Message_BlockList(QList<BlockId_t> blockIds);

    const QList<BlockId_t>& GetBlockIds() const;

    void Print(QDebug& debug) const override;
    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    QList<BlockId_t> m_blockIds;
};

} // namespace tessivar::communication
