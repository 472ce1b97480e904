#pragma once

#include "communication/MessageSender.h"

#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>

#include <functional>
#include <optional>

namespace tessivar::communication {

// A stretch of the received text: [begin, end) in bytes.
struct TextSpan {
    qsizetype begin = 0;
    qsizetype end = 0;
};

// A string as it stands between its quotes in the text.
struct JsonText {
    QByteArrayView bytes;
    bool escaped = false;

    // Whether it reads as the given ASCII text.
    bool Is(QByteArrayView ascii) const;
    QString Decoded() const;
};

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
// whole text is checked to be well-formed JSON no deeper than the limit, as
// QJsonDocument would read it (its leniencies included: unknown escapes stand for the
// escaped character, lone surrogates are kept, "1." and ".5" are numbers); the header
// is read here and the body left as a span for QJsonDocument. Turning the whole
// envelope into QJsonObjects cost more than all the rest of the receive path.
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

    // For message bodies read without QJsonDocument; the text was checked by Read().
    // Each member of the object at span, in order, with its name and value.
    template<typename Member> static void ForEachMember(QByteArrayView text, TextSpan object, Member&& member)
    {
        forEachMember(text, object, std::function<void(const JsonText&, TextSpan)>(std::forward<Member>(member)));
    }
    static bool IsObject(QByteArrayView text, TextSpan value);
    // The string at span; nothing when the value there is not a string.
    static std::optional<JsonText> StringAt(QByteArrayView text, TextSpan value);
    // A string of decimal digits read as 32-bit, as QString::toUInt reads it; anything
    // else, and a value that does not fit, reads as 0.
    static quint32 DecimalAt(QByteArrayView text, TextSpan value);

private:
    static void forEachMember(QByteArrayView text, TextSpan object,
                              const std::function<void(const JsonText&, TextSpan)>& member);
};

} // namespace tessivar::communication
