#include "communication/MessageCatalogue.h"

#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"

#include <array>

namespace tessivar::communication {

namespace {

struct CatalogueEntry {
    MessageType_e type;
    QString printName;
    QString identifier;
    MessageCreationMethod_t create;
};

using Catalogue = std::array<CatalogueEntry, MessageCatalogue::kMessageTypeCount>;

// Indexed by type value. The wire speaks of modules where the print names speak of
// blocks, and parameter updates and data travel under identifiers of their own.
const Catalogue& catalogue()
{
    static const Catalogue entries{{
        {MessageType_e::Hello, QStringLiteral("Hello"), QStringLiteral("com.tessivar.Hello.1"),
         &Message_Hello::FromJson},
        {MessageType_e::RegisterDevice, QStringLiteral("RegisterDevice"),
         QStringLiteral("com.tessivar.RegisterDevice.1"), &Message_RegisterDevice::FromJson},
        {MessageType_e::ModuleList, QStringLiteral("ModuleList"), QStringLiteral("com.tessivar.ModuleList.1"),
         &Message_BlockList::FromJson},
        {MessageType_e::RegisterModule, QStringLiteral("RegisterModule"),
         QStringLiteral("com.tessivar.RegisterModule.1"), &Message_RegisterBlock::FromJson},
        {MessageType_e::RegisterModuleResponse, QStringLiteral("RegisterModuleResponse"),
         QStringLiteral("com.tessivar.RegisterModuleResponse.1"), &Message_RegisterBlockResponse::FromJson},
        {MessageType_e::DeleteModule, QStringLiteral("DeleteModule"), QStringLiteral("com.tessivar.DeleteModule.1"),
         &Message_DeleteBlock::FromJson},
        {MessageType_e::UpdateParameters, QStringLiteral("UpdateParameters"),
         QStringLiteral("com.tessivar.ModuleParameters.1"), &Message_UpdateParameters::FromJson},
        {MessageType_e::Data, QStringLiteral("Data"), QStringLiteral("com.tessivar.ModuleData.1"),
         &Message_Data::FromJson},
        {MessageType_e::FileTransfer, QStringLiteral("FileTransfer"), QStringLiteral("com.tessivar.FileTransfer.1"),
         &Message_FileTransfer::FromJson},
        {MessageType_e::FileTransferRequest, QStringLiteral("FileTransferRequest"),
         QStringLiteral("com.tessivar.FileTransferRequest.1"), &Message_FileTransferRequest::FromJson},
        {MessageType_e::Notification, QStringLiteral("Notification"), QStringLiteral("com.tessivar.Notification.1"),
         &Message_Notification::FromJson},
        {MessageType_e::DashboardExportRequest, QStringLiteral("DashboardExportRequest"),
         QStringLiteral("com.tessivar.DashboardExportRequest.1"), &Message_DashboardExportRequest::FromJson},
        {MessageType_e::DashboardExportResponse, QStringLiteral("DashboardExportResponse"),
         QStringLiteral("com.tessivar.DashboardExportResponse.1"), &Message_DashboardExportResponse::FromJson},
        {MessageType_e::DashboardImportRequest, QStringLiteral("DashboardImportRequest"),
         QStringLiteral("com.tessivar.DashboardImportRequest.1"), &Message_DashboardImportRequest::FromJson},
        {MessageType_e::DashboardImportResponse, QStringLiteral("DashboardImportResponse"),
         QStringLiteral("com.tessivar.DashboardImportResponse.1"), &Message_DashboardImportResponse::FromJson},
    }};
    return entries;
}

const CatalogueEntry* find(MessageType_e type)
{
    const auto index = static_cast<std::size_t>(type);
    return index < catalogue().size() ? &catalogue()[index] : nullptr;
}

} // namespace

QString MessageCatalogue::PrintName(MessageType_e type)
{
    const CatalogueEntry* entry = find(type);
    return entry ? entry->printName : QStringLiteral("Unknown");
}

std::optional<QString> MessageCatalogue::Identifier(MessageType_e type)
{
    const CatalogueEntry* entry = find(type);
    if (!entry)
        return std::nullopt;
    return entry->identifier;
}

std::optional<MessageType_e> MessageCatalogue::TypeOfIdentifier(const QString& identifier)
{
    for (const CatalogueEntry& entry : catalogue()) {
        if (entry.identifier == identifier)
            return entry.type;
    }
    return std::nullopt;
}

MessageCreationMethod_t MessageCatalogue::CreationMethod(MessageType_e type)
{
    const CatalogueEntry* entry = find(type);
    return entry ? entry->create : nullptr;
}

} // namespace tessivar::communication
