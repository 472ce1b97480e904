#include "communication/messages/Message_DashboardImportResponse.h"

#include "communication/JsonValues.h"
#include "core/Logging.h"

#include <QDebug>

namespace tessivar::communication {

Message_DashboardImportResponse::Message_DashboardImportResponse(CreatedBlocks_t createdBlocks, qint32 status)
    : TessivarMessage(MessageType_e::DashboardImportResponse)
    , m_createdBlocks(std::move(createdBlocks))
    , m_status(status)
{
}

const Message_DashboardImportResponse::CreatedBlocks_t& Message_DashboardImportResponse::GetCreatedBlocks() const
{
    return m_createdBlocks;
}

qint32 Message_DashboardImportResponse::GetStatus() const
{
    return m_status;
}

QJsonObject Message_DashboardImportResponse::ToJson() const
{
    QJsonObject created;
    for (auto it = m_createdBlocks.cbegin(); it != m_createdBlocks.cend(); ++it)
        created.insert(QString::number(it.key()), JsonValues::WriteDecimal(it.value()));
    return QJsonObject{{QStringLiteral("CreatedModuleIds"), created}, {QStringLiteral("Status"), m_status}};
}

std::optional<std::unique_ptr<IMessage>> Message_DashboardImportResponse::FromJson(const QJsonObject& body)
{
    const QJsonObject created = body.value(QLatin1StringView("CreatedModuleIds")).toObject();
    CreatedBlocks_t createdBlocks;
    for (auto it = created.begin(); it != created.end(); ++it) {
        bool ok = false;
        const BlockCreationRequestId_t requestId = it.key().toInt(&ok, 10);
        // A key that names no request cannot be attributed; reading it as request 0
        // would confirm or remove an unrelated block.
        if (!ok) {
            qCWarning(lcCommunication).noquote()
                << "Ignoring dashboard import entry with invalid request id:" << it.key().left(64);
            continue;
        }
        createdBlocks.insert(requestId, JsonValues::ReadDecimal(it.value()));
    }
    return std::make_unique<Message_DashboardImportResponse>(
        std::move(createdBlocks), JsonValues::ReadInt(body.value(QLatin1StringView("Status"))));
}

} // namespace tessivar::communication
