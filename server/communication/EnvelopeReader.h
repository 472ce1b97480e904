#pragma once

#include "communication/JsonSpanScanner.h"
#include "communication/MessageSender.h"

#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>

#include <optional>

namespace tessivar::communication {

// What an envelope holds, read straight from its text.
struct EnvelopeText {
    // The document is a JSON object (else nothing below is set).
    bool isObject = false;
    // "header.v1" is present; its members of the wrong type read as empty values.
    bool hasHeader = false;
    QString messageId;
    // The "Sender" value when it is an object.
    std::optional<TextSpan> sender;
    quint32 sequenceId = 0;
    std::optional<quint32> sequenceResponseId;
    // The "message.v1" value when it is present.
    std::optional<TextSpan> messages;
    // The members of "message.v1" when it is an object (one, from every sender that
    // follows the protocol): the name as it stands between its quotes, and the value.
    struct Member {
        TextSpan name;
        bool nameEscaped = false;
        TextSpan value;
    };
    QVarLengthArray<Member, 2> messageMembers;
};

// Reads the envelope of a received message from its UTF-8 text in one pass. The
// whole text is checked by JsonSpanScanner to be well-formed JSON no deeper than the
// limit; the header is read here and the body left as a span for QJsonDocument or
// the span reading of JsonSpanScanner. Turning the whole envelope into QJsonObjects
// cost more than all the rest of the receive path.
class EnvelopeReader
{
public:
    // False, with the reason, when the text is not one well-formed JSON value or is
    // nested deeper than maxDepth objects and arrays.
    static bool Read(QByteArrayView text, int maxDepth, EnvelopeText& envelope, QString& error);

    // The sender object at span, already checked by Read(); members of the wrong type
    // read as empty values.
    static MessageSender_t ReadSender(QByteArrayView text, TextSpan span);

    // The value of the member of "message.v1" named key (the last one when the name
    // repeats).
    static std::optional<TextSpan> FindMessage(QByteArrayView text, const EnvelopeText& envelope, const QString& key);
};

} // namespace tessivar::communication
