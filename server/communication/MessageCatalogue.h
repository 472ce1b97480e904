#pragma once

#include "communication/IMessage.h"

#include <QJsonObject>
#include <QString>
#include <memory>
#include <optional>

namespace tessivar::communication {

class Message_Hello;
class Message_RegisterDevice;
class Message_BlockList;
class Message_RegisterBlock;
class Message_RegisterBlockResponse;
class Message_DeleteBlock;
class Message_UpdateParameters;
class Message_Data;
class Message_FileTransfer;
class Message_FileTransferRequest;
class Message_Notification;
class Message_DashboardExportRequest;
class Message_DashboardExportResponse;
class Message_DashboardImportRequest;
class Message_DashboardImportResponse;

template<MessageType_e Type> struct MessageTypeKey {
    static constexpr MessageType_e value = Type;
};
// The type key of each message class, so that handlers are registered by class and a
// message is checked against its key once. Only the classes of the catalogue have one.
template<typename Message> struct MessageTypeOf;
template<> struct MessageTypeOf<Message_Hello> : MessageTypeKey<MessageType_e::Hello> {
};
template<> struct MessageTypeOf<Message_RegisterDevice> : MessageTypeKey<MessageType_e::RegisterDevice> {
};
template<> struct MessageTypeOf<Message_BlockList> : MessageTypeKey<MessageType_e::ModuleList> {
};
template<> struct MessageTypeOf<Message_RegisterBlock> : MessageTypeKey<MessageType_e::RegisterModule> {
};
template<> struct MessageTypeOf<Message_RegisterBlockResponse> : MessageTypeKey<MessageType_e::RegisterModuleResponse> {
};
template<> struct MessageTypeOf<Message_DeleteBlock> : MessageTypeKey<MessageType_e::DeleteModule> {
};
template<> struct MessageTypeOf<Message_UpdateParameters> : MessageTypeKey<MessageType_e::UpdateParameters> {
};
template<> struct MessageTypeOf<Message_Data> : MessageTypeKey<MessageType_e::Data> {
};
template<> struct MessageTypeOf<Message_FileTransfer> : MessageTypeKey<MessageType_e::FileTransfer> {
};
template<> struct MessageTypeOf<Message_FileTransferRequest> : MessageTypeKey<MessageType_e::FileTransferRequest> {
};
template<> struct MessageTypeOf<Message_Notification> : MessageTypeKey<MessageType_e::Notification> {
};
template<>
struct MessageTypeOf<Message_DashboardExportRequest> : MessageTypeKey<MessageType_e::DashboardExportRequest> {
};
template<>
struct MessageTypeOf<Message_DashboardExportResponse> : MessageTypeKey<MessageType_e::DashboardExportResponse> {
};
template<>
struct MessageTypeOf<Message_DashboardImportRequest> : MessageTypeKey<MessageType_e::DashboardImportRequest> {
};
template<>
struct MessageTypeOf<Message_DashboardImportResponse> : MessageTypeKey<MessageType_e::DashboardImportResponse> {
};

using MessageCreationMethod_t = std::optional<std::unique_ptr<IMessage>> (*)(const QJsonObject& body);

// The process-wide tables of message types: print names, wire identifiers and
// creation methods, built once on first use.
class MessageCatalogue
{
public:
    static constexpr int kMessageTypeCount = 15;

    // The name logs show ("UpdateParameters"); "Unknown" for a value outside the catalogue.
    static QString PrintName(MessageType_e type);
    static std::optional<QString> Identifier(MessageType_e type);
    // Exact, case-sensitive match against the wire identifiers.
    static std::optional<MessageType_e> TypeOfIdentifier(const QString& identifier);
    static MessageCreationMethod_t CreationMethod(MessageType_e type);
};

} // namespace tessivar::communication
