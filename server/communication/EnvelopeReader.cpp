#include "communication/EnvelopeReader.h"

#include "communication/JsonValues.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace tessivar::communication {

namespace {

constexpr QByteArrayView kHeaderKey{"header.v1"};
constexpr QByteArrayView kMessageKey{"message.v1"};
constexpr QByteArrayView kUtf8ByteOrderMark{"\xef\xbb\xbf"};
// Integers this short are always in range of a double: no conversion is needed to
// know they are numbers.
constexpr qsizetype kDigitsWithoutRangeCheck = 15;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char16_t hexValue(const char* digits)
{
    char16_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = digits[i];
        const int digit = isDigit(c) ? c - '0' : (c >= 'a' ? c - 'a' + 10 : c - 'A' + 10);
        value = static_cast<char16_t>((value << 4) | digit);
    }
    return value;
}

// Eight bytes of string content with none of '"', '\\' or a byte above 0x7f: the
// common case (identifiers, Base64) is skipped a word at a time.
bool isPlainWord(const char* at)
{
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    constexpr quint64 kHighs = 0x8080808080808080ULL;
    quint64 word;
    std::memcpy(&word, at, sizeof word);
    const auto hasZeroByte = [](quint64 x) { return (x - kOnes) & ~x & kHighs; };
    return !(hasZeroByte(word ^ (kOnes * '"')) | hasZeroByte(word ^ (kOnes * '\\')) | (word & kHighs));
}

// The bytes that end a plain run inside a string: the quote, the backslash and every
// byte of a multi-byte UTF-8 sequence.
constexpr std::array<bool, 256> makeStringStops()
{
    std::array<bool, 256> stops{};
    stops['"'] = true;
    stops['\\'] = true;
    for (int c = 0x80; c < 0x100; ++c)
        stops[c] = true;
    return stops;
}
constexpr std::array<bool, 256> kStringStops = makeStringStops();

QString decode(const JsonText& raw)
{
    if (!raw.escaped)
        return QString::fromUtf8(raw.bytes);
    QString out;
    out.reserve(raw.bytes.size());
    const char* at = raw.bytes.data();
    const char* const end = at + raw.bytes.size();
    while (at < end) {
        const char* run = at;
        while (at < end && *at != '\\')
            ++at;
        if (at > run)
            out.append(QString::fromUtf8(run, at - run));
        if (at == end)
            break;
        const char escape = at[1];
        at += 2;
        switch (escape) {
        case 'b': out.append(QChar(u'\b')); break;
        case 'f': out.append(QChar(u'\f')); break;
        case 'n': out.append(QChar(u'\n')); break;
        case 'r': out.append(QChar(u'\r')); break;
        case 't': out.append(QChar(u'\t')); break;
        case 'u':
            out.append(QChar(hexValue(at)));
            at += 4;
            break;
        default: // '"', '\\', '/' and any other character stand for themselves
            out.append(QLatin1Char(escape));
        }
    }
    return out;
}

bool sameText(const JsonText& raw, const QString& text)
{
    const bool ascii = std::all_of(raw.bytes.begin(), raw.bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!raw.escaped && ascii)
        return QLatin1StringView(raw.bytes.data(), raw.bytes.size()) == text;
    return decode(raw) == text;
}

bool keyIs(const JsonText& key, QByteArrayView name)
{
    if (!key.escaped)
        return key.bytes == name;
    return decode(key) == QLatin1StringView(name.data(), name.size());
}

// Written as decimal text, read back as 32-bit: anything else reads as 0.
quint32 decimalOf(const JsonText& raw)
{
    constexpr qsizetype kMaximumDigits = 10;
    const QByteArrayView digits = raw.bytes;
    if (!raw.escaped && !digits.isEmpty() && digits.size() <= kMaximumDigits
        && std::all_of(digits.begin(), digits.end(), isDigit)) {
        quint64 number = 0;
        for (const char digit : digits)
            number = number * 10 + quint64(digit - '0');
        return number <= std::numeric_limits<quint32>::max() ? quint32(number) : 0;
    }
    // Signs and the like, read as every decimal of a message is read.
    return JsonValues::ReadDecimal(decode(raw));
}

class Scanner
{
public:
    Scanner(QByteArrayView text, qsizetype from, int maxDepth)
        : m_at(text.data() + from)
        , m_end(text.data() + text.size())
        , m_maxDepth(maxDepth)
    {
    }

    const char* at() const { return m_at; }
    bool atEnd() const { return m_at == m_end; }
    bool next(char c) const { return m_at < m_end && *m_at == c; }
    const char* error() const { return m_error; }
    bool tooDeep() const { return m_tooDeep; }

    void skipSpace()
    {
        while (m_at < m_end && isSpace(*m_at))
            ++m_at;
    }

    void skip(QByteArrayView prefix)
    {
        if (QByteArrayView(m_at, m_end - m_at).startsWith(prefix))
            m_at += prefix.size();
    }

    bool fail(const char* error)
    {
        if (!m_error)
            m_error = error;
        return false;
    }

    // A value of any kind, checked and passed over; depth counts the objects and
    // arrays already open around it.
    bool value(int depth)
    {
        if (m_at >= m_end)
            return fail("illegal value");
        switch (*m_at) {
        case '{':
            return object(depth, [this](const JsonText&, int inner) { return value(inner); });
        case '[':
            return array(depth);
        case '"': {
            JsonText ignored;
            return string(ignored);
        }
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return number();
        }
    }

    // The object at the current position; member(key, depth) reads each member's value.
    template<typename Member> bool object(int depth, Member&& member)
    {
        if (!enter(depth))
            return false;
        ++m_at;
        skipSpace();
        if (next('}')) {
            ++m_at;
            return true;
        }
        for (;;) {
            JsonText key;
            if (!next('"'))
                return fail("unterminated object");
            if (!string(key))
                return false;
            skipSpace();
            if (!next(':'))
                return fail("missing name separator");
            ++m_at;
            skipSpace();
            if (!member(key, depth + 1))
                return false;
            skipSpace();
            if (next(',')) {
                ++m_at;
                skipSpace();
                if (!next('"'))
                    return fail("object is missing after a comma");
                continue;
            }
            if (next('}')) {
                ++m_at;
                return true;
            }
            return fail("unterminated object");
        }
    }

    bool string(JsonText& out)
    {
        const char* const start = ++m_at;
        bool escaped = false;
        for (;;) {
            while (m_end - m_at >= 8 && isPlainWord(m_at))
                m_at += 8;
            while (m_at < m_end && !kStringStops[static_cast<unsigned char>(*m_at)])
                ++m_at;
            if (m_at >= m_end)
                return fail("unterminated string");
            const auto c = static_cast<unsigned char>(*m_at);
            if (c == '"') {
                out = JsonText{QByteArrayView(start, m_at - start), escaped};
                ++m_at;
                return true;
            }
            if (c == '\\') {
                escaped = true;
                if (!escape())
                    return false;
            } else if (c >= 0x80) {
                if (!utf8Sequence())
                    return fail("invalid UTF8 string");
            } else {
                ++m_at; // control characters are taken as they are
            }
        }
    }

private:
    bool enter(int depth)
    {
        if (depth + 1 > m_maxDepth) {
            m_tooDeep = true;
            return fail("nested too deep");
        }
        return true;
    }

    bool array(int depth)
    {
        if (!enter(depth))
            return false;
        ++m_at;
        skipSpace();
        if (next(']')) {
            ++m_at;
            return true;
        }
        for (;;) {
            if (!value(depth + 1))
                return false;
            skipSpace();
            if (next(',')) {
                ++m_at;
                skipSpace();
                continue;
            }
            if (next(']')) {
                ++m_at;
                return true;
            }
            return fail("unterminated array");
        }
    }

    bool escape()
    {
        ++m_at;
        if (m_at >= m_end)
            return fail("unterminated string");
        const auto c = static_cast<unsigned char>(*m_at);
        if (c == 'u') {
            if (m_end - m_at < 5 || !isHexDigit(m_at[1]) || !isHexDigit(m_at[2]) || !isHexDigit(m_at[3])
                || !isHexDigit(m_at[4]))
                return fail("invalid escape sequence");
            m_at += 5;
            return true;
        }
        if (c >= 0x80)
            return fail("invalid UTF8 string");
        ++m_at;
        return true;
    }

    // One well-formed UTF-8 sequence of two to four bytes: no overlong forms, no
    // surrogates, nothing above U+10FFFF.
    bool utf8Sequence()
    {
        const auto lead = static_cast<unsigned char>(*m_at);
        int continuations = 0;
        unsigned char low = 0x80, high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf) {
            continuations = 1;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            continuations = 2;
            if (lead == 0xe0)
                low = 0xa0;
            else if (lead == 0xed)
                high = 0x9f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            continuations = 3;
            if (lead == 0xf0)
                low = 0x90;
            else if (lead == 0xf4)
                high = 0x8f;
        } else {
            return false;
        }
        if (m_end - m_at <= continuations)
            return false;
        for (int i = 1; i <= continuations; ++i) {
            const auto c = static_cast<unsigned char>(m_at[i]);
            if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xbf))
                return false;
        }
        m_at += 1 + continuations;
        return true;
    }

    bool literal(QByteArrayView word)
    {
        if (!QByteArrayView(m_at, m_end - m_at).startsWith(word))
            return fail("illegal value");
        m_at += word.size();
        return true;
    }

    // As QJsonDocument reads numbers: an optional minus, digits (a leading zero stands
    // alone), an optional fraction and exponent; at least one digit before the
    // exponent, and a value a double holds.
    bool number()
    {
        const char* const start = m_at;
        bool digits = false;
        bool integer = true;
        if (next('-'))
            ++m_at;
        if (next('0')) {
            ++m_at;
            digits = true;
        } else {
            for (; m_at < m_end && isDigit(*m_at); ++m_at)
                digits = true;
        }
        if (next('.')) {
            integer = false;
            for (++m_at; m_at < m_end && isDigit(*m_at); ++m_at)
                digits = true;
        }
        if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
            integer = false;
            ++m_at;
            if (next('+') || next('-'))
                ++m_at;
            const char* const exponent = m_at;
            while (m_at < m_end && isDigit(*m_at))
                ++m_at;
            if (m_at == exponent)
                return fail("illegal number");
        }
        if (!digits)
            return fail(m_at == start ? "illegal value" : "illegal number");
        if (integer && m_at - start <= kDigitsWithoutRangeCheck)
            return true;
        double parsed = 0;
        const std::from_chars_result result = std::from_chars(start, m_at, parsed);
        if (result.ec != std::errc() || result.ptr != m_at)
            return fail("illegal number");
        return true;
    }

    const char* m_at;
    const char* const m_end;
    const int m_maxDepth;
    const char* m_error = nullptr;
    bool m_tooDeep = false;
};

// A member's value read as a string: anything else reads as empty.
bool stringMember(Scanner& scanner, int depth, QString& out)
{
    if (!scanner.next('"')) {
        out.clear();
        return scanner.value(depth);
    }
    JsonText raw;
    if (!scanner.string(raw))
        return false;
    out = decode(raw);
    return true;
}

bool decimalMember(Scanner& scanner, int depth, quint32& out)
{
    out = 0;
    if (!scanner.next('"'))
        return scanner.value(depth);
    JsonText raw;
    if (!scanner.string(raw))
        return false;
    out = decimalOf(raw);
    return true;
}

bool readHeader(Scanner& scanner, QByteArrayView text, int depth, EnvelopeText& envelope)
{
    // A repeated header replaces the one before, as a repeated member does.
    envelope.hasHeader = true;
    envelope.messageId.clear();
    envelope.sender.reset();
    envelope.sequenceId = 0;
    envelope.sequenceResponseId.reset();
    if (!scanner.next('{'))
        return scanner.value(depth);
    return scanner.object(depth, [&](const JsonText& key, int inner) {
        if (keyIs(key, "MessageId"))
            return stringMember(scanner, inner, envelope.messageId);
        if (keyIs(key, "SequenceId"))
            return decimalMember(scanner, inner, envelope.sequenceId);
        if (keyIs(key, "SequenceResponseId")) {
            quint32 value = 0;
            if (!decimalMember(scanner, inner, value))
                return false;
            envelope.sequenceResponseId = value;
            return true;
        }
        if (keyIs(key, "Sender")) {
            const qsizetype begin = scanner.at() - text.data();
            const bool isObject = scanner.next('{');
            if (!scanner.value(inner))
                return false;
            envelope.sender = isObject ? std::optional(TextSpan{begin, scanner.at() - text.data()}) : std::nullopt;
            return true;
        }
        return scanner.value(inner);
    });
}

bool readMessages(Scanner& scanner, QByteArrayView text, int depth, EnvelopeText& envelope)
{
    const qsizetype begin = scanner.at() - text.data();
    envelope.messageMembers.clear();
    const bool read = scanner.next('{')
        ? scanner.object(depth,
                         [&](const JsonText& name, int inner) {
                             const qsizetype valueBegin = scanner.at() - text.data();
                             if (!scanner.value(inner))
                                 return false;
                             const qsizetype nameBegin = name.bytes.data() - text.data();
                             envelope.messageMembers.append(
                                 EnvelopeText::Member{TextSpan{nameBegin, nameBegin + name.bytes.size()}, name.escaped,
                                                      TextSpan{valueBegin, scanner.at() - text.data()}});
                             return true;
                         })
        : scanner.value(depth);
    if (!read)
        return false;
    envelope.messages = TextSpan{begin, scanner.at() - text.data()};
    return true;
}

} // namespace

bool EnvelopeReader::Read(QByteArrayView text, int maxDepth, EnvelopeText& envelope, QString& error)
{
    envelope = EnvelopeText();
    Scanner scanner(text, 0, maxDepth);
    scanner.skip(kUtf8ByteOrderMark);
    scanner.skipSpace();
    bool ok = false;
    if (scanner.next('{')) {
        envelope.isObject = true;
        ok = scanner.object(0, [&](const JsonText& key, int depth) {
            if (keyIs(key, kHeaderKey))
                return readHeader(scanner, text, depth, envelope);
            if (keyIs(key, kMessageKey))
                return readMessages(scanner, text, depth, envelope);
            return scanner.value(depth);
        });
    } else if (scanner.next('[')) {
        ok = scanner.value(0);
    } else {
        ok = scanner.fail("illegal value");
    }
    if (ok) {
        scanner.skipSpace();
        if (!scanner.atEnd())
            ok = scanner.fail("garbage at the end of the document");
    }
    if (ok)
        return true;
    envelope = EnvelopeText();
    error = scanner.tooDeep() ? QStringLiteral("nested deeper than %1 levels").arg(maxDepth)
                              : QString::fromLatin1(scanner.error());
    return false;
}

MessageSender_t EnvelopeReader::ReadSender(QByteArrayView text, TextSpan span)
{
    MessageSender_t sender;
    QString version;
    QString type;
    Scanner scanner(text.first(span.end), span.begin, std::numeric_limits<int>::max());
    scanner.object(0, [&](const JsonText& key, int depth) {
        if (keyIs(key, "Id"))
            return stringMember(scanner, depth, sender.id);
        if (keyIs(key, "Name"))
            return stringMember(scanner, depth, sender.name);
        if (keyIs(key, "Version"))
            return stringMember(scanner, depth, version);
        if (keyIs(key, "ApplicationType"))
            return stringMember(scanner, depth, type);
        return scanner.value(depth);
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
        if (sameText(name, key))
            found = member.value;
    }
    return found;
}

bool JsonText::Is(QByteArrayView ascii) const
{
    return keyIs(*this, ascii);
}

QString JsonText::Decoded() const
{
    return decode(*this);
}

void EnvelopeReader::forEachMember(QByteArrayView text, TextSpan object,
                                   const std::function<void(const JsonText&, TextSpan)>& member)
{
    if (!IsObject(text, object))
        return;
    Scanner scanner(text.first(object.end), object.begin, std::numeric_limits<int>::max());
    scanner.object(0, [&](const JsonText& name, int depth) {
        const qsizetype begin = scanner.at() - text.data();
        if (!scanner.value(depth))
            return false;
        member(name, TextSpan{begin, scanner.at() - text.data()});
        return true;
    });
}

bool EnvelopeReader::IsObject(QByteArrayView text, TextSpan value)
{
    return value.end > value.begin && text.at(value.begin) == '{';
}

std::optional<JsonText> EnvelopeReader::StringAt(QByteArrayView text, TextSpan value)
{
    if (value.end <= value.begin || text.at(value.begin) != '"')
        return std::nullopt;
    Scanner scanner(text.first(value.end), value.begin, std::numeric_limits<int>::max());
    JsonText string;
    if (!scanner.string(string))
        return std::nullopt;
    return string;
}

quint32 EnvelopeReader::DecimalAt(QByteArrayView text, TextSpan value)
{
    const std::optional<JsonText> string = StringAt(text, value);
    return string ? decimalOf(*string) : 0;
}

} // namespace tessivar::communication
