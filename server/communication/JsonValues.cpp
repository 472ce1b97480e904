#include "communication/JsonValues.h"

#include "communication/PlainMapStream.h"
#include "communication/VariantStreamValidator.h"
#include "core/ApplicationConstants.h"
#include "core/Logging.h"

#include <QDataStream>
#include <QDebug>
#include <QIODevice>

#include <array>
#include <charconv>

namespace tessivar::communication::JsonValues {

namespace {

const QString kByteArrayType = QStringLiteral("QByteArray");
const QString kVariantMapType = QStringLiteral("QVariantMap");

// A map inside one message cannot be larger than a whole message may be; refusing
// bigger texts keeps decoding bounded whatever the transport lets through.
constexpr qsizetype kMaximumMapDataLength = 16 * 1024 * 1024;

// The standard Base64 alphabet, each character at the index of its six bits.
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Maps a character to its six bits, or to -1 when it is not in the standard alphabet.
constexpr std::array<qint8, 256> makeBase64Table()
{
    std::array<qint8, 256> table{};
    for (auto& entry : table)
        entry = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<qint8>(i);
    return table;
}
constexpr std::array<qint8, 256> kBase64Table = makeBase64Table();

unsigned codeOf(QChar c)
{
    return c.unicode();
}

unsigned codeOf(char c)
{
    return static_cast<unsigned char>(c);
}

// Qt's strict decoder takes one character at a time after a Latin-1 copy; file chunks
// and log uploads are megabytes of Base64, and every map in a message is Base64 too.
// This one reads the text in place and accepts and refuses exactly what Qt's strict
// decoder does: the standard alphabet; padding only at the end of a text whose length
// is a multiple of four, as "x=" or "==" closing the last group; bits that do not
// make a whole byte dropped. The text comes as QChars (a JSON value read by
// QJsonDocument) or as the bytes of a message, where any byte outside ASCII is refused.
template<typename Char> std::optional<QByteArray> decodeBase64(const Char* in, qsizetype length)
{
    qsizetype dataLength = length;
    if (length % 4 == 0 && length > 0 && codeOf(in[length - 1]) == '=') {
        dataLength = length - 1;
        if (codeOf(in[length - 2]) == '=')
            dataLength = length - 2;
    }
    QByteArray out;
    out.resize(dataLength / 4 * 3 + 2);
    char* target = out.data();
    const auto sextet = [](Char c) { return codeOf(c) > 0xff ? -1 : int(kBase64Table[codeOf(c)]); };
    qsizetype i = 0;
    for (; i + 4 <= dataLength; i += 4, target += 3) {
        const int a = sextet(in[i]), b = sextet(in[i + 1]), c = sextet(in[i + 2]), d = sextet(in[i + 3]);
        if ((a | b | c | d) < 0)
            return std::nullopt;
        const quint32 bits = (quint32(a) << 18) | (quint32(b) << 12) | (quint32(c) << 6) | quint32(d);
        target[0] = static_cast<char>(bits >> 16);
        target[1] = static_cast<char>(bits >> 8);
        target[2] = static_cast<char>(bits);
    }
    // The last group, shorter than four: a single character carries no whole byte.
    quint32 bits = 0;
    int count = 0;
    for (; i < dataLength; ++i, ++count) {
        const int d = sextet(in[i]);
        if (d < 0)
            return std::nullopt; // a stray '=' included
        bits = (bits << 6) | quint32(d);
    }
    if (count >= 2)
        *target++ = static_cast<char>(bits >> (count * 6 - 8));
    if (count == 3)
        *target++ = static_cast<char>(bits >> 2);
    out.truncate(target - out.data());
    return out;
}

QVariantMap rejectMap(const QString& reason)
{
    qCWarning(lcCommunication).noquote() << "Invalid QVariantMap in message, reading an empty map:" << reason;
    return {};
}

} // namespace

QJsonValue WriteDecimal(quint64 value)
{
    return QString::number(value);
}

quint32 ReadDecimal(const QJsonValue& value)
{
    bool ok = false;
    const uint number = value.toString().toUInt(&ok, 10);
    return ok ? number : 0;
}

qint32 ReadInt(const QJsonValue& value)
{
    return value.toInt();
}

quint16 ReadLow16(const QJsonValue& value)
{
    return static_cast<quint16>(value.toInt());
}

QJsonObject WriteBytes(const QByteArray& bytes)
{
    return QJsonObject{
        {kCustomTypeMarker, kByteArrayType},
        {QLatin1StringView("Size"), qint64(bytes.size())},
        {QLatin1StringView("Data"), QString::fromLatin1(bytes.toBase64())},
    };
}

QByteArray ReadBytes(const QJsonValue& value)
{
    // Only "Data" counts; "Size" and the marker are informative.
    const QString data = value.toObject().value(QLatin1StringView("Data")).toString();
    return decodeBase64(data.constData(), data.size()).value_or(QByteArray());
}

namespace {

QByteArray streamMap(const QVariantMap& map)
{
    if (std::optional<QByteArray> plain = PlainMapStream::Write(map))
        return *std::move(plain);
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << map;
    return data;
}

} // namespace

QJsonObject WriteMap(const QVariantMap& map)
{
    return QJsonObject{
        {kCustomTypeMarker, kVariantMapType},
        {QLatin1StringView("MapData"), QString::fromLatin1(streamMap(map).toBase64())},
    };
}

namespace {

// QByteArray::toBase64's text, written straight into the message.
void appendBase64(QByteArray& out, QByteArrayView bytes)
{
    const auto* from = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype length = bytes.size();
    const qsizetype start = out.size();
    out.resize(start + (length + 2) / 3 * 4);
    char* to = out.data() + start;
    qsizetype i = 0;
    for (; i + 3 <= length; i += 3, to += 4) {
        const quint32 bits = (quint32(from[i]) << 16) | (quint32(from[i + 1]) << 8) | quint32(from[i + 2]);
        to[0] = kBase64Alphabet[bits >> 18];
        to[1] = kBase64Alphabet[(bits >> 12) & 63];
        to[2] = kBase64Alphabet[(bits >> 6) & 63];
        to[3] = kBase64Alphabet[bits & 63];
    }
    if (i == length)
        return;
    const bool two = length - i == 2;
    const quint32 bits = (quint32(from[i]) << 16) | (two ? quint32(from[i + 1]) << 8 : 0);
    to[0] = kBase64Alphabet[bits >> 18];
    to[1] = kBase64Alphabet[(bits >> 12) & 63];
    to[2] = two ? kBase64Alphabet[(bits >> 6) & 63] : '=';
    to[3] = '=';
}

} // namespace

void AppendMap(QByteArray& out, const QVariantMap& map)
{
    // The marker sorts before "MapData"; Base64 needs no escaping in JSON.
    out.append(R"({")").append(kCustomTypeMarker.data(), kCustomTypeMarker.size());
    out.append(R"(":"QVariantMap","MapData":")");
    appendBase64(out, streamMap(map));
    out.append("\"}");
}

void AppendDecimal(QByteArray& out, quint64 value)
{
    char digits[20];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

QVariantMap ReadMap(const QJsonValue& value)
{
    const QJsonValue mapData = value.toObject().value(QLatin1StringView("MapData"));
    // A member that is not there is simply an empty map; only data that is there but
    // unreadable is worth a warning.
    if (mapData.isUndefined())
        return {};
    return ReadMapData(mapData.toString());
}

namespace {

template<typename Char> QVariantMap readMapData(const Char* text, qsizetype length)
{
    if (length > kMaximumMapDataLength)
        return rejectMap(QStringLiteral("data too large"));
    const std::optional<QByteArray> data = decodeBase64(text, length);
    if (!data)
        return rejectMap(QStringLiteral("invalid Base64"));
    if (std::optional<QVariantMap> plain = PlainMapStream::Read(*data))
        return *std::move(plain);
    VariantStreamValidator validator(*data);
    if (!validator.ValidateVariantMap())
        return rejectMap(validator.Error());
    QVariantMap map;
    QDataStream stream(*data);
    stream.setVersion(kDataStreamVersion);
    stream >> map;
    if (stream.status() != QDataStream::Ok)
        return rejectMap(QStringLiteral("unreadable stream"));
    return map;
}

} // namespace

QVariantMap ReadMapData(const QString& text)
{
    return readMapData(text.constData(), text.size());
}

QVariantMap ReadMapData(QByteArrayView ascii)
{
    return readMapData(ascii.data(), ascii.size());
}

QJsonObject WriteRect(const QRectF& rect)
{
    return QJsonObject{
        {QLatin1StringView("left"), rect.left()},
        {QLatin1StringView("top"), rect.top()},
        {QLatin1StringView("width"), rect.width()},
        {QLatin1StringView("height"), rect.height()},
    };
}

QRectF ReadRect(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    return QRectF(object.value(QLatin1StringView("left")).toDouble(), object.value(QLatin1StringView("top")).toDouble(),
                  object.value(QLatin1StringView("width")).toDouble(),
                  object.value(QLatin1StringView("height")).toDouble());
}

QJsonArray WriteStringList(const QStringList& list)
{
    return QJsonArray::fromStringList(list);
}

QStringList ReadStringList(const QJsonValue& value)
{
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue& element : array)
        list.append(element.toString());
    return list;
}

QJsonValue WriteVersion(const QVersionNumber& version)
{
    return version.toString();
}

QVersionNumber ReadVersion(const QJsonValue& value)
{
    return QVersionNumber::fromString(value.toString());
}

QJsonValue WriteApplicationType(device::ApplicationType_e type)
{
    switch (type) {
    case device::ApplicationType_e::Client:
        return QStringLiteral("client");
    case device::ApplicationType_e::Server:
        return QStringLiteral("server");
    default:
        return QStringLiteral("unknown");
    }
}

device::ApplicationType_e ReadApplicationType(const QJsonValue& value)
{
    const QString text = value.toString();
    if (text == QLatin1StringView("client"))
        return device::ApplicationType_e::Client;
    if (text == QLatin1StringView("server"))
        return device::ApplicationType_e::Server;
    return device::ApplicationType_e::Unknown;
}

} // namespace tessivar::communication::JsonValues
