#include "communication/MessageCodec.h"

#include "communication/JsonValues.h"
#include "communication/MessageCatalogue.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tessivar::communication {

namespace {

const QString kHeaderKey = QStringLiteral("header.v1");
const QString kMessageKey = QStringLiteral("message.v1");

bool exceedsDepth(const QJsonValue& value, int remainingLevels);

bool exceedsDepth(const QJsonObject& object, int remainingLevels)
{
    if (remainingLevels <= 0)
        return true;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (exceedsDepth(it.value(), remainingLevels - 1))
            return true;
    }
    return false;
}

bool exceedsDepth(const QJsonValue& value, int remainingLevels)
{
    if (value.isObject())
        return exceedsDepth(value.toObject(), remainingLevels);
    if (!value.isArray())
        return false;
    if (remainingLevels <= 0)
        return true;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (exceedsDepth(element, remainingLevels - 1))
            return true;
    }
    return false;
}

QString logForm(const QJsonObject& object)
{
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (text.size() <= MessageCodec::kMaximumLoggedJsonLength)
        return text;
    return text.left(MessageCodec::kMaximumLoggedJsonLength) + QStringLiteral("...");
}

QJsonObject parseDocument(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning().noquote() << "Could not parse message, invalid JSON:" << error.errorString();
        return {};
    }
    const QJsonObject object = document.object();
    if (exceedsDepth(object, MessageCodec::kMaximumJsonDepth)) {
        qWarning().noquote() << "Could not parse message, invalid JSON:"
                             << QStringLiteral("nested deeper than %1 levels").arg(MessageCodec::kMaximumJsonDepth);
        return {};
    }
    return object;
}

MessageSender_t readSender(const QJsonObject& sender)
{
    return MessageSender_t{sender.value(QLatin1StringView("Id")).toString(),
                           sender.value(QLatin1StringView("Name")).toString(),
                           JsonValues::ReadVersion(sender.value(QLatin1StringView("Version"))),
                           JsonValues::ReadApplicationType(sender.value(QLatin1StringView("ApplicationType")))};
}

QJsonObject writeSender(const MessageSender_t& sender)
{
    return QJsonObject{
        {QStringLiteral("Id"), sender.id},
        {QStringLiteral("Name"), sender.name},
        {QStringLiteral("Version"), JsonValues::WriteVersion(sender.softwareVersion)},
        {QStringLiteral("ApplicationType"), JsonValues::WriteApplicationType(sender.applicationType)},
    };
}

} // namespace

std::optional<MessageHeader_t> MessageCodec::ParseHeader(const QJsonObject& document) const
{
    if (!document.contains(kHeaderKey))
        return std::nullopt;
    const QJsonObject header = document.value(kHeaderKey).toObject();
    MessageHeader_t result;
    result.sender = readSender(header.value(QLatin1StringView("Sender")).toObject());
    result.id = header.value(QLatin1StringView("MessageId")).toString();
    // Written as 64-bit decimal text, read back as 32-bit: larger values read as 0.
    result.sequenceId = JsonValues::ReadDecimal(header.value(QLatin1StringView("SequenceId")));
    if (header.contains(QLatin1StringView("SequenceResponseId")))
        result.sequenceResponseId = JsonValues::ReadDecimal(header.value(QLatin1StringView("SequenceResponseId")));
    return result;
}

std::optional<std::pair<MessageHeader_t, QJsonObject>> MessageCodec::Parse(const QByteArray& data) const
{
    const QJsonObject document = parseDocument(data);
    std::optional<MessageHeader_t> header = ParseHeader(document);
    if (!header) {
        qWarning().noquote() << "Failed to parse header from message" << logForm(document);
        return std::nullopt;
    }
    if (!document.contains(kMessageKey)) {
        qWarning().noquote() << kMessageKey << "not found in JSON object" << logForm(document);
        return std::nullopt;
    }
    const QJsonObject messages = document.value(kMessageKey).toObject();
    if (!messages.contains(header->id)) {
        qWarning().noquote().nospace() << "Message ID [" << header->id << "] not found in JSON object "
                                       << logForm(document);
        return std::nullopt;
    }
    QJsonObject body = messages.value(header->id).toObject();
    return std::make_pair(std::move(*header), std::move(body));
}

std::optional<std::unique_ptr<IMessage>> MessageCodec::CreateMessage(const QJsonObject& body,
                                                                     const QString& messageId) const
{
    const std::optional<MessageType_e> type = MessageCatalogue::TypeOfIdentifier(messageId);
    if (!type) {
        qWarning().noquote().nospace() << "Unsupported message ID[" << messageId << "]";
        return std::nullopt;
    }
    const MessageCreationMethod_t create = MessageCatalogue::CreationMethod(*type);
    if (!create) {
        qWarning().noquote().nospace() << "No message creation method for message type ["
                                       << MessageCatalogue::PrintName(*type) << "]";
        return std::nullopt;
    }
    return create(body);
}

std::optional<QByteArray> MessageCodec::Serialize(const IMessage& message, quint64 sequenceId,
                                                  std::optional<quint64> responseTo,
                                                  const MessageSender_t& sender) const
{
    const std::optional<QString> identifier = MessageCatalogue::Identifier(message.GetType());
    if (!identifier) {
        qWarning().noquote().nospace() << "Cannot send message of unsupported ID[" << message << "]";
        return std::nullopt;
    }
    QJsonObject header{
        {QStringLiteral("Sender"), writeSender(sender)},
        {QStringLiteral("MessageId"), *identifier},
        {QStringLiteral("SequenceId"), JsonValues::WriteDecimal(sequenceId)},
    };
    if (responseTo)
        header.insert(QStringLiteral("SequenceResponseId"), JsonValues::WriteDecimal(*responseTo));
    const QJsonObject envelope{
        {kHeaderKey, header},
        {kMessageKey, QJsonObject{{*identifier, message.ToJson()}}},
    };
    return QJsonDocument(envelope).toJson(QJsonDocument::Compact);
}

} // namespace tessivar::communication
