#include "communication/JsonSpanScanner.h"

#include "communication/JsonValues.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace tessivar::communication {

namespace {

// Integers this short are always in range of a double: no conversion is needed to
// know they are numbers.
constexpr qsizetype kDigitsWithoutRangeCheck = 15;

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

} // namespace

bool JsonText::Is(QByteArrayView ascii) const
{
    if (!escaped)
        return bytes == ascii;
    return Decoded() == QLatin1StringView(ascii.data(), ascii.size());
}

bool JsonText::Equals(const QString& text) const
{
    const bool ascii
        = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!escaped && ascii)
        return QLatin1StringView(bytes.data(), bytes.size()) == text;
    return Decoded() == text;
}

QString JsonText::Decoded() const
{
    if (!escaped)
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
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
        case 'b':
            out.append(QChar(u'\b'));
            break;
        case 'f':
            out.append(QChar(u'\f'));
            break;
        case 'n':
            out.append(QChar(u'\n'));
            break;
        case 'r':
            out.append(QChar(u'\r'));
            break;
        case 't':
            out.append(QChar(u'\t'));
            break;
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

quint32 JsonText::Decimal() const
{
    constexpr qsizetype kMaximumDigits = 10;
    if (!escaped && !bytes.isEmpty() && bytes.size() <= kMaximumDigits
        && std::all_of(bytes.begin(), bytes.end(), isDigit)) {
        quint64 number = 0;
        for (const char digit : bytes)
            number = number * 10 + quint64(digit - '0');
        return number <= std::numeric_limits<quint32>::max() ? quint32(number) : 0;
    }
    // Signs and the like, read as every decimal of a message is read.
    return JsonValues::ReadDecimal(Decoded());
}

JsonSpanScanner::JsonSpanScanner(QByteArrayView text, qsizetype from, int maxDepth)
    : m_text(text.data())
    , m_at(text.data() + from)
    , m_end(text.data() + text.size())
    , m_maxDepth(maxDepth)
{
}

void JsonSpanScanner::Skip(QByteArrayView prefix)
{
    if (QByteArrayView(m_at, m_end - m_at).startsWith(prefix))
        m_at += prefix.size();
}

bool JsonSpanScanner::Value(int depth)
{
    if (m_at >= m_end)
        return Fail("illegal value");
    switch (*m_at) {
    case '{':
        return Object(depth, [this](const JsonText&, int inner) { return Value(inner); });
    case '[':
        return array(depth);
    case '"': {
        JsonText ignored;
        return String(ignored);
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

bool JsonSpanScanner::String(JsonText& out)
{
    const char* const start = ++m_at;
    bool escaped = false;
    for (;;) {
        while (m_end - m_at >= 8 && isPlainWord(m_at))
            m_at += 8;
        while (m_at < m_end && !kStringStops[static_cast<unsigned char>(*m_at)])
            ++m_at;
        if (m_at >= m_end)
            return Fail("unterminated string");
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
                return Fail("invalid UTF8 string");
        } else {
            ++m_at; // control characters are taken as they are
        }
    }
}

bool JsonSpanScanner::enter(int depth)
{
    if (depth + 1 > m_maxDepth) {
        m_tooDeep = true;
        return Fail("nested too deep");
    }
    return true;
}

bool JsonSpanScanner::array(int depth)
{
    if (!enter(depth))
        return false;
    ++m_at;
    SkipSpace();
    if (Next(']')) {
        ++m_at;
        return true;
    }
    for (;;) {
        if (!Value(depth + 1))
            return false;
        SkipSpace();
        if (Next(',')) {
            ++m_at;
            SkipSpace();
            continue;
        }
        if (Next(']')) {
            ++m_at;
            return true;
        }
        return Fail("unterminated array");
    }
}

bool JsonSpanScanner::escape()
{
    ++m_at;
    if (m_at >= m_end)
        return Fail("unterminated string");
    const auto c = static_cast<unsigned char>(*m_at);
    if (c == 'u') {
        if (m_end - m_at < 5 || !isHexDigit(m_at[1]) || !isHexDigit(m_at[2]) || !isHexDigit(m_at[3])
            || !isHexDigit(m_at[4]))
            return Fail("invalid escape sequence");
        m_at += 5;
        return true;
    }
    if (c >= 0x80)
        return Fail("invalid UTF8 string");
    ++m_at;
    return true;
}

// One well-formed UTF-8 sequence of two to four bytes: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool JsonSpanScanner::utf8Sequence()
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

bool JsonSpanScanner::literal(QByteArrayView word)
{
    if (!QByteArrayView(m_at, m_end - m_at).startsWith(word))
        return Fail("illegal value");
    m_at += word.size();
    return true;
}

// As QJsonDocument reads numbers: an optional minus, digits (a leading zero stands
// alone), an optional fraction and exponent; at least one digit before the exponent,
// and a value a double holds.
bool JsonSpanScanner::number()
{
    const char* const start = m_at;
    bool digits = false;
    bool integer = true;
    if (Next('-'))
        ++m_at;
    if (Next('0')) {
        ++m_at;
        digits = true;
    } else {
        for (; m_at < m_end && isDigit(*m_at); ++m_at)
            digits = true;
    }
    if (Next('.')) {
        integer = false;
        for (++m_at; m_at < m_end && isDigit(*m_at); ++m_at)
            digits = true;
    }
    if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
        integer = false;
        ++m_at;
        if (Next('+') || Next('-'))
            ++m_at;
        const char* const exponent = m_at;
        while (m_at < m_end && isDigit(*m_at))
            ++m_at;
        if (m_at == exponent)
            return Fail("illegal number");
    }
    if (!digits)
        return Fail(m_at == start ? "illegal value" : "illegal number");
    if (integer && m_at - start <= kDigitsWithoutRangeCheck)
        return true;
    double parsed = 0;
    const std::from_chars_result result = std::from_chars(start, m_at, parsed);
    if (result.ec != std::errc() || result.ptr != m_at)
        return Fail("illegal number");
    return true;
}

void JsonSpanScanner::forEachMember(QByteArrayView text, TextSpan object,
                                    const std::function<void(const JsonText&, TextSpan)>& member)
{
    if (!IsObject(text, object))
        return;
    JsonSpanScanner scanner(text.first(object.end), object.begin, std::numeric_limits<int>::max());
    scanner.Object(0, [&](const JsonText& name, int depth) {
        const qsizetype begin = scanner.Offset();
        if (!scanner.Value(depth))
            return false;
        member(name, TextSpan{begin, scanner.Offset()});
        return true;
    });
}

bool JsonSpanScanner::IsObject(QByteArrayView text, TextSpan value)
{
    return value.end > value.begin && text.at(value.begin) == '{';
}

std::optional<JsonText> JsonSpanScanner::StringAt(QByteArrayView text, TextSpan value)
{
    if (value.end <= value.begin || text.at(value.begin) != '"')
        return std::nullopt;
    JsonSpanScanner scanner(text.first(value.end), value.begin, std::numeric_limits<int>::max());
    JsonText string;
    if (!scanner.String(string))
        return std::nullopt;
    return string;
}

quint32 JsonSpanScanner::DecimalAt(QByteArrayView text, TextSpan value)
{
    const std::optional<JsonText> string = StringAt(text, value);
    return string ? string->Decimal() : 0;
}

} // namespace tessivar::communication
