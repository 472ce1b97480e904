#pragma once

#include "communication/EnvelopeReader.h"
#include "communication/IMessage.h"
#include "communication/MessageHeader.h"
#include "communication/MessageSender.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <memory>
#include <optional>
#include <utility>

namespace tessivar::communication {

// Turns messages into envelopes of compact JSON text and received bytes back into
// messages. Every rejection is logged and yields an empty result. Its only state is
// the last sender read and written, which the next message of that sender reuses.
class MessageCodec
{
public:
    // Deeper documents are refused before any member is read: legitimate envelopes are
    // less than ten levels deep, and every level costs recursion when printed.
    static constexpr int kMaximumJsonDepth = 32;
    // Rejected documents are logged; longer texts are cut so a hostile peer cannot
    // turn every dropped message into megabytes of log.
    static constexpr qsizetype kMaximumLoggedJsonLength = 2048;

    std::optional<MessageHeader_t> ParseHeader(const QJsonObject& document) const;
    std::optional<std::pair<MessageHeader_t, QJsonObject>> Parse(const QByteArray& data) const;
    // Parse() and CreateMessage() in one: the header and the message, or a null message
    // when the body does not make one (logged). Data messages are read without turning
    // their body into a QJsonObject.
    std::optional<std::pair<MessageHeader_t, std::unique_ptr<IMessage>>> ParseMessage(const QByteArray& data) const;
    std::optional<std::unique_ptr<IMessage>> CreateMessage(const QJsonObject& body, const QString& messageId) const;
    // The envelope of one outgoing message: the sender is the local device, and
    // responseTo is the sequence id of the message answered, if any.
    std::optional<QByteArray> Serialize(const IMessage& message, quint64 sequenceId,
                                        std::optional<quint64> responseTo, const MessageSender_t& sender) const;

private:
    std::optional<std::pair<MessageHeader_t, TextSpan>> parseEnvelope(const QByteArray& data) const;
    std::optional<QJsonObject> bodyObject(const QByteArray& data, TextSpan body) const;
    MessageHeader_t headerOf(const QByteArray& data, const EnvelopeText& envelope) const;
    MessageSender_t senderOf(const QByteArray& data, TextSpan span) const;
    const QByteArray& senderText(const MessageSender_t& sender) const;

    // The last sender read and the last written, and the last type's quoted identifier,
    // kept so that the next message of the same sender or type skips the work.
    mutable std::optional<std::pair<QByteArray, MessageSender_t>> m_lastSenderRead;
    mutable std::optional<std::pair<MessageSender_t, QByteArray>> m_lastSender;
    mutable std::optional<std::pair<MessageType_e, QByteArray>> m_lastIdentifier;
};

} // namespace tessivar::communication
