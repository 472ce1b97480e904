#include "IniValueText.h"

#include <QDataStream>
#include <QFile>
#include <QIODevice>

namespace tessivar::test {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char simpleEscape(char c)
{
    switch (c) {
    case 'a': return '\a';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    default: return c; // \" \' \? and backslash stand for themselves
    }
}

} // namespace

std::optional<QByteArray> IniValueText::read(const QString& filePath, const QString& group, const QString& key)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray section = "[" + group.toLatin1() + "]";
    const QByteArray prefix = key.toLatin1() + "=";
    bool inGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('['))
            inGroup = line == section;
        else if (inGroup && line.startsWith(prefix))
            return unescape(line.mid(prefix.size()));
    }
    return std::nullopt;
}

QByteArray IniValueText::unescape(const QByteArray& text)
{
    QByteArray result;
    const bool quoted = text.startsWith('"');
    const qsizetype end = quoted ? text.lastIndexOf('"') : text.size();
    for (qsizetype i = quoted ? 1 : 0; i < end; ++i) {
        if (text[i] != '\\' || i + 1 >= end) {
            result += text[i];
            continue;
        }
        const char escaped = text[++i];
        int value = 0;
        if (escaped == 'x') {
            while (i + 1 < end && hexValue(text[i + 1]) >= 0)
                value = value * 16 + hexValue(text[++i]);
            result += char(value);
        } else if (escaped >= '0' && escaped <= '7') {
            value = escaped - '0';
            while (i + 1 < end && text[i + 1] >= '0' && text[i + 1] <= '7')
                value = value * 8 + (text[++i] - '0');
            result += char(value);
        } else {
            result += simpleEscape(escaped);
        }
    }
    return result;
}

QByteArray IniValueText::escape(const QByteArray& value)
{
    QByteArray text = "\"";
    for (char c : value)
        text += "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16);
    return text + "\"";
}

QByteArray IniValueText::userTypeVariant(const QByteArray& typeName, const QByteArray& payload)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(127); // the user-type marker of that stream version
    out << typeName.constData(); // length with the terminating zero, then the bytes
    out.writeRawData(payload.constData(), int(payload.size()));
    return "@Variant(" + bytes + ")";
}

} // namespace tessivar::test
