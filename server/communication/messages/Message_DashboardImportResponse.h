#pragma once

#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <QMap>
#include <memory>
#include <optional>

namespace tessivar::communication {

// A device reports which blocks of an import it created, and how far the import is.
class Message_DashboardImportResponse : public TessivarMessage
{
public:
    using CreatedBlocks_t = QMap<BlockCreationRequestId_t, BlockId_t>;

    // "Status": 0 still in progress, 1 complete and successful, any other value failed.
    static constexpr qint32 kStatusInProgress = 0;
    static constexpr qint32 kStatusSuccessful = 1;
    static constexpr qint32 kStatusFailed = 2;

    Message_DashboardImportResponse(CreatedBlocks_t createdBlocks, qint32 status);

    const CreatedBlocks_t& GetCreatedBlocks() const;
    qint32 GetStatus() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    CreatedBlocks_t m_createdBlocks;
    qint32 m_status;
};

} // namespace tessivar::communication
