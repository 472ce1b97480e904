#include "communication/EnvelopeReader.h"

#include "communication/JsonValues.h"

#include <limits>

namespace tessivar::communication {

namespace {

constexpr QByteArrayView kHeaderKey{"header.v1"};
constexpr QByteArrayView kMessageKey{"message.v1"};
constexpr QByteArrayView kUtf8ByteOrderMark{"\xef\xbb\xbf"};

// A member's value read as a string: anything else reads as empty.
bool stringMember(JsonSpanScanner& scanner, int depth, QString& out)
{
    if (!scanner.Next('"')) {
        out.clear();
        return scanner.Value(depth);
    }
    JsonText raw;
    if (!scanner.String(raw))
        return false;
    out = raw.Decoded();
    return true;
}

bool decimalMember(JsonSpanScanner& scanner, int depth, quint32& out)
{
    out = 0;
    if (!scanner.Next('"'))
        return scanner.Value(depth);
    JsonText raw;
    if (!scanner.String(raw))
        return false;
    out = raw.Decimal();
    return true;
}

bool readHeader(JsonSpanScanner& scanner, int depth, EnvelopeText& envelope)
{
    // A repeated header replaces the one before, as a repeated member does.
    envelope.hasHeader = true;
    envelope.messageId.clear();
    envelope.sender.reset();
    envelope.sequenceId = 0;
    envelope.sequenceResponseId.reset();
    if (!scanner.Next('{'))
        return scanner.Value(depth);
    return scanner.Object(depth, [&](const JsonText& key, int inner) {
        if (key.Is("MessageId"))
            return stringMember(scanner, inner, envelope.messageId);
        if (key.Is("SequenceId"))
            return decimalMember(scanner, inner, envelope.sequenceId);
        if (key.Is("SequenceResponseId")) {
            quint32 value = 0;
            if (!decimalMember(scanner, inner, value))
                return false;
            envelope.sequenceResponseId = value;
            return true;
        }
        if (key.Is("Sender")) {
            const qsizetype begin = scanner.Offset();
            const bool isObject = scanner.Next('{');
            if (!scanner.Value(inner))
                return false;
            envelope.sender = isObject ? std::optional(TextSpan{begin, scanner.Offset()}) : std::nullopt;
            return true;
        }
        return scanner.Value(inner);
    });
}

bool readMessages(JsonSpanScanner& scanner, QByteArrayView text, int depth, EnvelopeText& envelope)
{
    const qsizetype begin = scanner.Offset();
    envelope.messageMembers.clear();
    const bool read = scanner.Next('{')
        ? scanner.Object(depth,
                         [&](const JsonText& name, int inner) {
                             const qsizetype valueBegin = scanner.Offset();
                             if (!scanner.Value(inner))
                                 return false;
                             const qsizetype nameBegin = name.bytes.data() - text.data();
                             envelope.messageMembers.append(
                                 EnvelopeText::Member{TextSpan{nameBegin, nameBegin + name.bytes.size()}, name.escaped,
                                                      TextSpan{valueBegin, scanner.Offset()}});
                             return true;
                         })
        : scanner.Value(depth);
    if (!read)
        return false;
    envelope.messages = TextSpan{begin, scanner.Offset()};
    return true;
}

} // namespace

bool EnvelopeReader::Read(QByteArrayView text, int maxDepth, EnvelopeText& envelope, QString& error)
{
    envelope = EnvelopeText();
    JsonSpanScanner scanner(text, 0, maxDepth);
    scanner.Skip(kUtf8ByteOrderMark);
    scanner.SkipSpace();
    bool ok = false;
    if (scanner.Next('{')) {
        envelope.isObject = true;
        ok = scanner.Object(0, [&](const JsonText& key, int depth) {
            if (key.Is(kHeaderKey))
                return readHeader(scanner, depth, envelope);
            if (key.Is(kMessageKey))
                return readMessages(scanner, text, depth, envelope);
            return scanner.Value(depth);
        });
    } else if (scanner.Next('[')) {
        ok = scanner.Value(0);
    } else {
        ok = scanner.Fail("illegal value");
    }
    if (ok) {
        scanner.SkipSpace();
        if (!scanner.AtEnd())
            ok = scanner.Fail("garbage at the end of the document");
    }
    if (ok)
        return true;
    envelope = EnvelopeText();
    error = scanner.TooDeep() ? QStringLiteral("nested deeper than %1 levels").arg(maxDepth)
                              : QString::fromLatin1(scanner.Error());
    return false;
}

MessageSender_t EnvelopeReader::ReadSender(QByteArrayView text, TextSpan span)
{
    MessageSender_t sender;
    QString version;
    QString type;
    JsonSpanScanner scanner(text.first(span.end), span.begin, std::numeric_limits<int>::max());
    scanner.Object(0, [&](const JsonText& key, int depth) {
        if (key.Is("Id"))
            return stringMember(scanner, depth, sender.id);
        if (key.Is("Name"))
            return stringMember(scanner, depth, sender.name);
        if (key.Is("Version"))
            return stringMember(scanner, depth, version);
        if (key.Is("ApplicationType"))
            return stringMember(scanner, depth, type);
        return scanner.Value(depth);
    });
    sender.softwareVersion = JsonValues::ReadVersion(version);
    sender.applicationType = JsonValues::ReadApplicationType(type);
    return sender;
}

std::optional<TextSpan> EnvelopeReader::FindMessage(QByteArrayView text, const EnvelopeText& envelope,
                                                    const QString& key)
{
    std::optional<TextSpan> found;
    for (const EnvelopeText::Member& member : envelope.messageMembers) {
        const JsonText name{text.sliced(member.name.begin, member.name.end - member.name.begin), member.nameEscaped};
        if (name.Equals(key))
            found = member.value;
    }
    return found;
}

} // namespace tessivar::communication
