#include "communication/MessageCodec.h"

#include "communication/EnvelopeReader.h"
#include "communication/JsonValues.h"
#include "communication/MessageCatalogue.h"
#include "communication/messages/Message_Data.h"
#include "core/Logging.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace tessivar::communication {

namespace {

const QString kMessageKey = QStringLiteral("message.v1");
// Room for the envelope's fixed text and a small body, so most messages allocate once.
constexpr qsizetype kEnvelopeReserve = 512;

QString logForm(const QJsonObject& object)
{
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (text.size() <= MessageCodec::kMaximumLoggedJsonLength)
        return text;
    return text.left(MessageCodec::kMaximumLoggedJsonLength) + QStringLiteral("...");
}

// The document as QJsonDocument reads it, for the log of a rejected envelope.
QJsonObject documentOf(const QByteArray& data)
{
    return QJsonDocument::fromJson(data).object();
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
    const QByteArray text = jsonText(document);
    EnvelopeText envelope;
    QString error;
    if (!EnvelopeReader::Read(text, kMaximumJsonDepth, envelope, error) || !envelope.hasHeader)
        return std::nullopt;
    return headerOf(text, envelope);
}

MessageHeader_t MessageCodec::headerOf(const QByteArray& data, const EnvelopeText& envelope) const
{
    MessageHeader_t header;
    if (envelope.sender)
        header.sender = senderOf(data, *envelope.sender);
    header.id = envelope.messageId;
    header.sequenceId = envelope.sequenceId;
    header.sequenceResponseId = envelope.sequenceResponseId;
    return header;
}

std::optional<std::pair<MessageHeader_t, TextSpan>> MessageCodec::parseEnvelope(const QByteArray& data) const
{
    EnvelopeText envelope;
    QString error;
    if (!EnvelopeReader::Read(data, kMaximumJsonDepth, envelope, error)) {
        qCWarning(lcCommunication).noquote() << "Could not parse message, invalid JSON:" << error;
        qCWarning(lcCommunication).noquote() << "Failed to parse header from message" << logForm(QJsonObject());
        return std::nullopt;
    }
    if (!envelope.hasHeader) {
        qCWarning(lcCommunication).noquote() << "Failed to parse header from message" << logForm(documentOf(data));
        return std::nullopt;
    }
    MessageHeader_t header = headerOf(data, envelope);
    if (!envelope.messages) {
        qCWarning(lcCommunication).noquote() << kMessageKey << "not found in JSON object" << logForm(documentOf(data));
        return std::nullopt;
    }
    const std::optional<TextSpan> body = EnvelopeReader::FindMessage(data, envelope, header.id);
    if (!body) {
        qCWarning(lcCommunication).noquote().nospace()
            << "Message ID [" << header.id << "] not found in JSON object " << logForm(documentOf(data));
        return std::nullopt;
    }
    return std::make_pair(std::move(header), *body);
}

std::optional<QJsonObject> MessageCodec::bodyObject(const QByteArray& data, TextSpan body) const
{
    // Only the body becomes a QJsonObject: message classes read their members from it.
    if (!JsonSpanScanner::IsObject(data, body))
        return QJsonObject();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(data.constData() + body.begin, body.end - body.begin), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        qCWarning(lcCommunication).noquote() << "Could not parse message, invalid JSON:" << parseError.errorString();
        return std::nullopt;
    }
    return document.object();
}

std::optional<std::pair<MessageHeader_t, QJsonObject>> MessageCodec::Parse(const QByteArray& data) const
{
    std::optional<std::pair<MessageHeader_t, TextSpan>> envelope = parseEnvelope(data);
    if (!envelope)
        return std::nullopt;
    std::optional<QJsonObject> body = bodyObject(data, envelope->second);
    if (!body)
        return std::nullopt;
    return std::make_pair(std::move(envelope->first), std::move(*body));
}

std::optional<std::pair<MessageHeader_t, std::unique_ptr<IMessage>>>
MessageCodec::ParseMessage(const QByteArray& data) const
{
    std::optional<std::pair<MessageHeader_t, TextSpan>> envelope = parseEnvelope(data);
    if (!envelope)
        return std::nullopt;
    MessageHeader_t& header = envelope->first;
    if (MessageCatalogue::TypeOfIdentifier(header.id) == MessageType_e::Data)
        return std::make_pair(std::move(header), Message_Data::FromText(data, envelope->second));
    const std::optional<QJsonObject> body = bodyObject(data, envelope->second);
    if (!body)
        return std::nullopt;
    std::optional<std::unique_ptr<IMessage>> message = CreateMessage(*body, header.id);
    return std::make_pair(std::move(header), message ? std::move(*message) : nullptr);
}

std::optional<std::unique_ptr<IMessage>> MessageCodec::CreateMessage(const QJsonObject& body,
                                                                     const QString& messageId) const
{
    const std::optional<MessageType_e> type = MessageCatalogue::TypeOfIdentifier(messageId);
    if (!type) {
        qCWarning(lcCommunication).noquote().nospace() << "Unsupported message ID[" << messageId << "]";
        return std::nullopt;
    }
    const MessageCreationMethod_t create = MessageCatalogue::CreationMethod(*type);
    if (!create) {
        qCWarning(lcCommunication).noquote().nospace()
            << "No message creation method for message type [" << MessageCatalogue::PrintName(*type) << "]";
        return std::nullopt;
    }
    return create(body);
}

std::optional<QByteArray> MessageCodec::Serialize(const IMessage& message, quint64 sequenceId,
                                                  std::optional<quint64> responseTo,
                                                  const MessageSender_t& sender) const
{
    const MessageType_e type = message.GetType();
    if (!m_lastIdentifier || m_lastIdentifier->first != type) {
        const std::optional<QString> identifier = MessageCatalogue::Identifier(type);
        if (!identifier) {
            qCWarning(lcCommunication).noquote().nospace()
                << "Cannot send message of unsupported ID[" << message << "]";
            return std::nullopt;
        }
        m_lastIdentifier = std::make_pair(type, quoted(*identifier));
    }
    // The envelope is written as text around the parts QJsonDocument writes, in the
    // order and form it would give the whole (members sorted by name, compact): every
    // message pays for it, and the sender, the same each time, is written once.
    const QByteArray& quotedIdentifier = m_lastIdentifier->second;
    QByteArray envelope;
    envelope.reserve(kEnvelopeReserve + 2 * quotedIdentifier.size() + senderText(sender).size());
    envelope.append(R"({"header.v1":{"MessageId":)").append(quotedIdentifier);
    envelope.append(R"(,"Sender":)").append(senderText(sender));
    envelope.append(R"(,"SequenceId":")");
    JsonValues::AppendDecimal(envelope, sequenceId);
    envelope.append('"');
    if (responseTo) {
        envelope.append(R"(,"SequenceResponseId":")");
        JsonValues::AppendDecimal(envelope, *responseTo);
        envelope.append('"');
    }
    envelope.append(R"(},"message.v1":{)").append(quotedIdentifier).append(':');
    message.AppendJson(envelope);
    envelope.append("}}");
    return envelope;
}

MessageSender_t MessageCodec::senderOf(const QByteArray& data, TextSpan span) const
{
    // A peer sends the same sender with every message: compared as text, it is read once.
    const QByteArrayView text = QByteArrayView(data).sliced(span.begin, span.end - span.begin);
    if (!m_lastSenderRead || QByteArrayView(m_lastSenderRead->first) != text)
        m_lastSenderRead = std::make_pair(text.toByteArray(), EnvelopeReader::ReadSender(data, span));
    return m_lastSenderRead->second;
}

const QByteArray& MessageCodec::senderText(const MessageSender_t& sender) const
{
    if (!m_lastSender || !(m_lastSender->first == sender))
        m_lastSender = std::make_pair(sender, jsonText(writeSender(sender)));
    return m_lastSender->second;
}

} // namespace tessivar::communication
