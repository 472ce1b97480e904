#pragma once

#include "communication/IMessage.h"

#include <QJsonObject>
#include <QString>
#include <memory>
#include <optional>

namespace tessivar::communication {

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
