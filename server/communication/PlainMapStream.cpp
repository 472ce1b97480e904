#include "communication/PlainMapStream.h"

#include <QMetaType>
#include <QtEndian>

#include <cstring>

namespace tessivar::communication::PlainMapStream {

namespace {

// The type ids a version 19 stream gives these values: the same as QMetaType's.
static_assert(QMetaType::Bool == 1 && QMetaType::Int == 2 && QMetaType::UInt == 3 && QMetaType::LongLong == 4
              && QMetaType::ULongLong == 5 && QMetaType::Double == 6 && QMetaType::QString == 10);

constexpr quint32 kNullLength = 0xFFFFFFFF;
constexpr qsizetype kVariantHeaderSize = 5; // type id, null flag
constexpr qsizetype kSmallestEntrySize = 4 + kVariantHeaderSize + 1;

bool isPlain(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QString:
        return true;
    default:
        return false;
    }
}

qsizetype stringSize(const QString& text)
{
    return 4 + 2 * text.size();
}

qsizetype payloadSize(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return 1;
    case QMetaType::Int:
    case QMetaType::UInt:
        return 4;
    case QMetaType::QString:
        return stringSize(*static_cast<const QString*>(value.constData()));
    default: // the 64-bit integers and doubles
        return 8;
    }
}

class Writer
{
public:
    explicit Writer(char* at)
        : m_at(at)
    {
    }

    template<typename T> void number(T value)
    {
        qToBigEndian(value, m_at);
        m_at += sizeof(T);
    }

    void string(const QString& text)
    {
        if (text.isNull())
            return number(kNullLength);
        number(quint32(2 * text.size()));
        qToBigEndian<quint16>(text.utf16(), text.size(), m_at);
        m_at += 2 * text.size();
    }

    void value(const QVariant& value)
    {
        const int typeId = value.metaType().id();
        number(quint32(typeId));
        number(quint8(0)); // not a null variant: checked by the caller
        const void* data = value.constData();
        switch (typeId) {
        case QMetaType::Bool:
            return number(quint8(*static_cast<const bool*>(data) ? 1 : 0));
        case QMetaType::Int:
            return number(*static_cast<const qint32*>(data));
        case QMetaType::UInt:
            return number(*static_cast<const quint32*>(data));
        case QMetaType::LongLong:
            return number(*static_cast<const qint64*>(data));
        case QMetaType::ULongLong:
            return number(*static_cast<const quint64*>(data));
        case QMetaType::Double: {
            quint64 bits;
            std::memcpy(&bits, data, sizeof bits);
            return number(bits);
        }
        default:
            return string(*static_cast<const QString*>(data));
        }
    }

private:
    char* m_at;
};

class Reader
{
public:
    explicit Reader(QByteArrayView data)
        : m_at(data.data())
        , m_end(data.data() + data.size())
    {
    }

    qsizetype Remaining() const { return m_end - m_at; }

    template<typename T> bool number(T& value)
    {
        if (Remaining() < qsizetype(sizeof(T)))
            return false;
        value = qFromBigEndian<T>(m_at);
        m_at += sizeof(T);
        return true;
    }

    bool string(QString& text)
    {
        quint32 bytes = 0;
        if (!number(bytes))
            return false;
        if (bytes == kNullLength) {
            text = QString();
            return true;
        }
        if ((bytes & 1) || qsizetype(bytes) > Remaining())
            return false;
        if (bytes == 0) {
            text = QString(QLatin1StringView("")); // empty, not null, as QDataStream reads it
            return true;
        }
        text.resize(bytes / 2);
        qFromBigEndian<quint16>(m_at, bytes / 2, text.data());
        m_at += bytes;
        return true;
    }

    bool value(QVariant& value)
    {
        quint32 typeId = 0;
        quint8 isNull = 1;
        if (!number(typeId) || !number(isNull) || isNull != 0)
            return false;
        switch (typeId) {
        case QMetaType::Bool:
            return read<quint8, bool>(value); // any byte but 0 is true, as Qt reads it
        case QMetaType::Int:
            return read<qint32, int>(value);
        case QMetaType::UInt:
            return read<quint32, uint>(value);
        case QMetaType::LongLong:
            return read<qint64, qlonglong>(value);
        case QMetaType::ULongLong:
            return read<quint64, qulonglong>(value);
        case QMetaType::Double: {
            quint64 bits = 0;
            if (!number(bits))
                return false;
            double number;
            std::memcpy(&number, &bits, sizeof number);
            value = QVariant(number);
            return true;
        }
        case QMetaType::QString: {
            QString text;
            if (!string(text))
                return false;
            value = QVariant(std::move(text));
            return true;
        }
        default:
            return false;
        }
    }

private:
    template<typename Wire, typename Value> bool read(QVariant& value)
    {
        Wire wire{};
        if (!number(wire))
            return false;
        value = QVariant(Value(wire));
        return true;
    }

    const char* m_at;
    const char* m_end;
};

} // namespace

std::optional<QByteArray> Write(const QVariantMap& map)
{
    qsizetype size = 4;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QVariant& value = it.value();
        if (!isPlain(value.metaType().id()) || value.isNull())
            return std::nullopt;
        size += stringSize(it.key()) + kVariantHeaderSize + payloadSize(value);
    }
    QByteArray bytes(size, Qt::Uninitialized);
    Writer writer(bytes.data());
    writer.number(quint32(map.size()));
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        writer.string(it.key());
        writer.value(it.value());
    }
    return bytes;
}

std::optional<QVariantMap> Read(QByteArrayView data)
{
    Reader reader(data);
    quint32 count = 0;
    if (!reader.number(count) || count > quint64(reader.Remaining() / kSmallestEntrySize))
        return std::nullopt;
    QVariantMap map;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        QVariant value;
        if (!reader.string(key) || !reader.value(value))
            return std::nullopt;
        map.insert(key, std::move(value));
        if (quint32(map.size()) != i + 1)
            return std::nullopt; // a repeated key: QDataStream's reading decides
    }
    return map;
}

} // namespace tessivar::communication::PlainMapStream
