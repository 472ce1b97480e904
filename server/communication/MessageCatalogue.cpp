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

// The type and the creation method both come from the class, so that the table and
// the type keys of the classes cannot disagree.
template<typename Message> CatalogueEntry entry(const QString& printName, const QString& identifier)
{
    return {MessageTypeOf<Message>::value, printName, identifier, &Message::FromJson};
}

// Indexed by type value. The wire speaks of modules where the print names speak of
// blocks, and parameter updates and data travel under identifiers of their own.
const Catalogue& catalogue()
{
    static const Catalogue entries{{
        entry<Message_Hello>(QStringLiteral("Hello"), QStringLiteral("com.tessivar.Hello.1")),
        entry<Message_RegisterDevice>(QStringLiteral("RegisterDevice"),
                                      QStringLiteral("com.tessivar.RegisterDevice.1")),
        entry<Message_BlockList>(QStringLiteral("ModuleList"), QStringLiteral("com.tessivar.ModuleList.1")),
        entry<Message_RegisterBlock>(QStringLiteral("RegisterModule"), QStringLiteral("com.tessivar.RegisterModule.1")),
        entry<Message_RegisterBlockResponse>(QStringLiteral("RegisterModuleResponse"),
                                             QStringLiteral("com.tessivar.RegisterModuleResponse.1")),
        entry<Message_DeleteBlock>(QStringLiteral("DeleteModule"), QStringLiteral("com.tessivar.DeleteModule.1")),
        entry<Message_UpdateParameters>(QStringLiteral("UpdateParameters"),
                                        QStringLiteral("com.tessivar.ModuleParameters.1")),
        entry<Message_Data>(QStringLiteral("Data"), QStringLiteral("com.tessivar.ModuleData.1")),
        entry<Message_FileTransfer>(QStringLiteral("FileTransfer"), QStringLiteral("com.tessivar.FileTransfer.1")),
        entry<Message_FileTransferRequest>(QStringLiteral("FileTransferRequest"),
                                           QStringLiteral("com.tessivar.FileTransferRequest.1")),
        entry<Message_Notification>(QStringLiteral("Notification"), QStringLiteral("com.tessivar.Notification.1")),
        entry<Message_DashboardExportRequest>(QStringLiteral("DashboardExportRequest"),
                                              QStringLiteral("com.tessivar.DashboardExportRequest.1")),
        entry<Message_DashboardExportResponse>(QStringLiteral("DashboardExportResponse"),
                                               QStringLiteral("com.tessivar.DashboardExportResponse.1")),
        entry<Message_DashboardImportRequest>(QStringLiteral("DashboardImportRequest"),
                                              QStringLiteral("com.tessivar.DashboardImportRequest.1")),
        entry<Message_DashboardImportResponse>(QStringLiteral("DashboardImportResponse"),
                                               QStringLiteral("com.tessivar.DashboardImportResponse.1")),
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
