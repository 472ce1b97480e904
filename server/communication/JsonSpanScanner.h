#pragma once

#include <QByteArrayView>
#include <QString>

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
    // Whether it reads as text, whatever its characters.
    bool Equals(const QString& text) const;
    QString Decoded() const;
    // Written as decimal text, read back as 32-bit, as QString::toUInt reads it;
    // anything else, and a value that does not fit, reads as 0.
    quint32 Decimal() const;
};

// Checks UTF-8 JSON text as QJsonDocument would read it (its leniencies included:
// unknown escapes stand for the escaped character, lone surrogates are kept, "1." and
// ".5" are numbers) and passes over it without building values, so that callers can
// keep the spans they need. The first fault is kept as QJsonDocument words it.
class JsonSpanScanner
{
public:
    // Reads text from the byte at from; objects and arrays may nest maxDepth deep.
    JsonSpanScanner(QByteArrayView text, qsizetype from, int maxDepth);

    // Where the scanner stands, as an offset into the text.
    qsizetype Offset() const { return m_at - m_text; }
    bool AtEnd() const { return m_at == m_end; }
    bool Next(char c) const { return m_at < m_end && *m_at == c; }
    const char* Error() const { return m_error; }
    bool TooDeep() const { return m_tooDeep; }

    // Inline, as Next(): readers call them between every two tokens.
    void SkipSpace()
    {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }
    // Passes over prefix when the text goes on with it.
    void Skip(QByteArrayView prefix);
    // Keeps the first error; always false, so that a reader can return it.
    bool Fail(const char* error)
    {
        if (!m_error)
            m_error = error;
        return false;
    }

    // A value of any kind, checked and passed over; depth counts the objects and
    // arrays already open around it.
    bool Value(int depth);
    // The string at the current position (standing on its opening quote).
    bool String(JsonText& out);

    // The object at the current position; member(key, depth) reads each member's value.
    template<typename Member> bool Object(int depth, Member&& member)
    {
        if (!enter(depth))
            return false;
        ++m_at;
        SkipSpace();
        if (Next('}')) {
            ++m_at;
            return true;
        }
        for (;;) {
            JsonText key;
            if (!Next('"'))
                return Fail("unterminated object");
            if (!String(key))
                return false;
            SkipSpace();
            if (!Next(':'))
                return Fail("missing name separator");
            ++m_at;
            SkipSpace();
            if (!member(key, depth + 1))
                return false;
            SkipSpace();
            if (Next(',')) {
                ++m_at;
                SkipSpace();
                if (!Next('"'))
                    return Fail("object is missing after a comma");
                continue;
            }
            if (Next('}')) {
                ++m_at;
                return true;
            }
            return Fail("unterminated object");
        }
    }

    // For values of text already checked by a scan: each member of the object at
    // span, in order, with its name and value.
    template<typename Member> static void ForEachMember(QByteArrayView text, TextSpan object, Member&& member)
    {
        forEachMember(text, object, std::function<void(const JsonText&, TextSpan)>(std::forward<Member>(member)));
    }
    static bool IsObject(QByteArrayView text, TextSpan value);
    // The string at span; nothing when the value there is not a string.
    static std::optional<JsonText> StringAt(QByteArrayView text, TextSpan value);
    // The string at span read as JsonText::Decimal(); anything else reads as 0.
    static quint32 DecimalAt(QByteArrayView text, TextSpan value);

private:
    static void forEachMember(QByteArrayView text, TextSpan object,
                              const std::function<void(const JsonText&, TextSpan)>& member);

    bool enter(int depth);
    bool array(int depth);
    bool escape();
    bool utf8Sequence();
    bool literal(QByteArrayView word);
    bool number();

    const char* const m_text;
    const char* m_at;
    const char* const m_end;
    const int m_maxDepth;
    const char* m_error = nullptr;
    bool m_tooDeep = false;
};

} // namespace tessivar::communication
