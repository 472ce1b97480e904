#include "communication/MessageCodec.h"

#include "communication/JsonValues.h"
#include "communication/MessageCatalogue.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstring>

namespace tessivar::communication {

namespace {

const QString kHeaderKey = QStringLiteral("header.v1");
const QString kMessageKey = QStringLiteral("message.v1");
// Room for the envelope's fixed text and a small body, so most messages allocate once.
constexpr qsizetype kEnvelopeReserve = 512;

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

qsizetype countByte(const QByteArray& data, char wanted, qsizetype stopAbove)
{
    qsizetype count = 0;
    const char* at = data.constData();
    const char* const end = at + data.size();
    while (count <= stopAbove && (at = static_cast<const char*>(std::memchr(at, wanted, end - at)))) {
        ++count;
        ++at;
    }
    return count;
}

// Nesting deeper than the limit takes more opening brackets than the limit: a document
// with fewer is not walked through value by value.
bool mayExceedDepth(const QByteArray& data)
{
    const qsizetype limit = MessageCodec::kMaximumJsonDepth;
    const qsizetype braces = countByte(data, '{', limit);
    return braces > limit || braces + countByte(data, '[', limit) > limit;
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
    if (mayExceedDepth(data) && exceedsDepth(object, MessageCodec::kMaximumJsonDepth)) {
        qWarning().noquote() << "Could not parse message, invalid JSON:"
                             << QStringLiteral("nested deeper than %1 levels").arg(MessageCodec::kMaximumJsonDepth);
        return {};
    }
    return object;
}

template<typename Json> QByteArray jsonText(const Json& json)
{
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

// A JSON string as QJsonDocument writes it; the catalogue's plain identifiers directly.
QByteArray quoted(const QString& text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != QLatin1Char('"') && c != QLatin1Char('\\');
    });
    if (!plain)
        return jsonText(QJsonArray{text}).chopped(1).sliced(1);
    return '"' + text.toLatin1() + '"';
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
    const QJsonValue headerValue = document.value(kHeaderKey);
    if (headerValue.isUndefined())
        return std::nullopt;
    const QJsonObject header = headerValue.toObject();
    MessageHeader_t result;
    result.sender = senderOf(header.value(QLatin1StringView("Sender")));
    result.id = header.value(QLatin1StringView("MessageId")).toString();
    // Written as 64-bit decimal text, read back as 32-bit: larger values read as 0.
    result.sequenceId = JsonValues::ReadDecimal(header.value(QLatin1StringView("SequenceId")));
    if (const QJsonValue responseTo = header.value(QLatin1StringView("SequenceResponseId")); !responseTo.isUndefined())
        result.sequenceResponseId = JsonValues::ReadDecimal(responseTo);
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
    // One look-up per member: value() tells an absent member by its undefined value.
    const QJsonValue messages = document.value(kMessageKey);
    if (messages.isUndefined()) {
        qWarning().noquote() << kMessageKey << "not found in JSON object" << logForm(document);
        return std::nullopt;
    }
    const QJsonValue message = messages.toObject().value(header->id);
    if (message.isUndefined()) {
        qWarning().noquote().nospace() << "Message ID [" << header->id << "] not found in JSON object "
                                       << logForm(document);
        return std::nullopt;
    }
    QJsonObject body = message.toObject();
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
    // The envelope is written as text around the parts QJsonDocument writes, in the
    // order and form it would give the whole (members sorted by name, compact): every
    // message pays for it, and the sender, the same each time, is written once.
    const QByteArray quotedIdentifier = quoted(*identifier);
    QByteArray envelope;
    envelope.reserve(kEnvelopeReserve + 2 * quotedIdentifier.size() + senderText(sender).size());
    envelope.append(R"({"header.v1":{"MessageId":)").append(quotedIdentifier);
    envelope.append(R"(,"Sender":)").append(senderText(sender));
    envelope.append(R"(,"SequenceId":")").append(QByteArray::number(sequenceId)).append('"');
    if (responseTo)
        envelope.append(R"(,"SequenceResponseId":")").append(QByteArray::number(*responseTo)).append('"');
    envelope.append(R"(},"message.v1":{)").append(quotedIdentifier).append(':');
    message.AppendJson(envelope);
    envelope.append("}}");
    return envelope;
}

MessageSender_t MessageCodec::senderOf(const QJsonValue& sender) const
{
    // A peer sends the same sender with every message: compared whole, it is read once.
    if (!m_lastSenderRead || m_lastSenderRead->first != sender)
        m_lastSenderRead = std::make_pair(sender, readSender(sender.toObject()));
    return m_lastSenderRead->second;
}

const QByteArray& MessageCodec::senderText(const MessageSender_t& sender) const
{
    if (!m_lastSender || !(m_lastSender->first == sender))
        m_lastSender = std::make_pair(sender, jsonText(writeSender(sender)));
    return m_lastSender->second;
}

} // namespace tessivar::communication
