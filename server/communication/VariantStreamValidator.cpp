#include "communication/VariantStreamValidator.h"

#include <QMetaType>
#include <QtEndian>

namespace tessivar::communication {

namespace {

// Maps and lists inside block values are a few levels deep; Qt reads them recursively.
constexpr int kMaximumNesting = 32;

// Smallest encodings, used to tell whether an announced count can be real.
constexpr qsizetype kMinimumLengthSize = 4;                                        // QString, QByteArray
constexpr qsizetype kMinimumVariantSize = 5;                                       // type id and null flag
constexpr qsizetype kMinimumMapEntrySize = kMinimumLengthSize + kMinimumVariantSize; // key and value

constexpr quint32 kNullLength = 0xFFFFFFFF;  // a null QString or QByteArray

// Value type ids as a version 19 stream writes them (the numbering of Qt 5).
enum StreamTypeId : quint32 {
    Invalid = 0,
    Bool = 1,
    Int = 2,
    UInt = 3,
    LongLong = 4,
    ULongLong = 5,
    Double = 6,
    Char = 7,
    VariantMap = 8,
    VariantList = 9,
    String = 10,
    StringList = 11,
    ByteArray = 12,
    BitArray = 13,
    Date = 14,
    Time = 15,
    DateTime = 16,
    Url = 17,
    Rect = 19,
    RectF = 20,
    Size = 21,
    SizeF = 22,
    Line = 23,
    LineF = 24,
    Point = 25,
    PointF = 26,
    VariantHash = 28,
    Uuid = 30,
    Long = 32,
    Short = 33,
    SignedChar8 = 34,
    ULong = 35,
    UShort = 36,
    UChar = 37,
    Float = 38,  // written as a double: the stream keeps its default double precision
    SChar = 40,
    ByteArrayList = 49,
    Nullptr = 51,
    Color = 67,
};

// Fixed payload sizes of the plain value types; 0 for a type without payload,
// -1 for one that is not a plain value.
qsizetype fixedPayloadSize(quint32 typeId)
{
    switch (typeId) {
    case Invalid:
    case Nullptr:
        return 0;
    case Bool:
    case SignedChar8:
    case UChar:
    case SChar:
        return 1;
    case Char:
    case Short:
    case UShort:
        return 2;
    case Int:
    case UInt:
    case Time:
        return 4;
    case LongLong:
    case ULongLong:
    case Double:
    case Date:
    case Size:
    case Point:
    case Long:
    case ULong:
    case Float:
        return 8;
    case Rect:
    case SizeF:
    case Line:
    case PointF:
    case Uuid:
        return 16;
    case RectF:
    case LineF:
        return 32;
    default:
        return -1;
    }
}

} // namespace

VariantStreamValidator::VariantStreamValidator(QByteArrayView data)
    : m_data(data)
{
}

bool VariantStreamValidator::ValidateVariantMap()
{
    m_position = 0;
    m_error.clear();
    return SkipMap(0);
}

QString VariantStreamValidator::Error() const
{
    return m_error;
}

qsizetype VariantStreamValidator::Position() const
{
    return m_position;
}

bool VariantStreamValidator::SkipVariant(int depth)
{
    quint32 typeId = 0;
    qint8 isNull = 0;
    if (!ReadUInt32(typeId) || !ReadInt8(isNull))
        return false;
    return SkipTypedValue(typeId, depth);
}

bool VariantStreamValidator::SkipTypedValue(quint32 typeId, int depth)
{
    const qsizetype fixedSize = fixedPayloadSize(typeId);
    if (fixedSize >= 0)
        return Skip(quint64(fixedSize));
    switch (typeId) {
    case VariantMap:
    case VariantHash:
        return SkipMap(depth + 1);
    case VariantList:
        return SkipList(depth + 1);
    case String:
        return SkipString();
    case StringList:
        return SkipStringList();
    case ByteArray:
    case Url:
        return SkipByteArray();
    case ByteArrayList:
        return SkipByteArrayList();
    case BitArray:
        return SkipBitArray();
    case DateTime:
        return SkipDateTime();
    case Color:
        return SkipColor();
    default:
        return Fail("value type not accepted");
    }
}

bool VariantStreamValidator::SkipMap(int depth)
{
    if (depth > kMaximumNesting)
        return Fail("values nested too deeply");
    quint32 count = 0;
    if (!ReadUInt32(count) || !CheckCount(count, kMinimumMapEntrySize))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!SkipString() || !SkipVariant(depth))
            return false;
    }
    return true;
}

bool VariantStreamValidator::SkipList(int depth)
{
    if (depth > kMaximumNesting)
        return Fail("values nested too deeply");
    quint32 count = 0;
    if (!ReadUInt32(count) || !CheckCount(count, kMinimumVariantSize))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!SkipVariant(depth))
            return false;
    }
    return true;
}

bool VariantStreamValidator::SkipStringList()
{
    quint32 count = 0;
    if (!ReadUInt32(count) || !CheckCount(count, kMinimumLengthSize))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!SkipString())
            return false;
    }
    return true;
}

bool VariantStreamValidator::SkipByteArrayList()
{
    quint32 count = 0;
    if (!ReadUInt32(count) || !CheckCount(count, kMinimumLengthSize))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!SkipByteArray())
            return false;
    }
    return true;
}

bool VariantStreamValidator::SkipString()
{
    quint32 length = 0;
    if (!ReadUInt32(length))
        return false;
    if (length == kNullLength)
        return true;
    if (length % 2 != 0)
        return Fail("string of odd byte length");
    return Skip(length);
}

bool VariantStreamValidator::SkipByteArray()
{
    quint32 length = 0;
    if (!ReadUInt32(length))
        return false;
    return length == kNullLength || Skip(length);
}

bool VariantStreamValidator::SkipBitArray()
{
    quint32 bitCount = 0;
    if (!ReadUInt32(bitCount))
        return false;
    return Skip((quint64(bitCount) + 7) / 8);
}

bool VariantStreamValidator::SkipDateTime()
{
    // Date (64-bit day), time (32-bit milliseconds), then the time spec.
    qint8 spec = 0;
    if (!Skip(8 + 4) || !ReadInt8(spec))
        return false;
    switch (spec) {
    case Qt::LocalTime:
    case Qt::UTC:
        return true;
    case Qt::OffsetFromUTC:
        return Skip(4);
    default:
        // A named time zone would make Qt look the zone up on this machine.
        return Fail("date-time spec not accepted");
    }
}

bool VariantStreamValidator::SkipColor()
{
    // Qt can only read a colour when its Gui module is loaded; otherwise it would
    // skip the payload and read everything after it out of step.
    const QMetaType colorType(QMetaType::QColor);
    if (!colorType.isValid() || !colorType.hasRegisteredDataStreamOperators())
        return Fail("colour values need the Gui module");
    constexpr qint8 kLastColorSpec = 5;  // QColor::ExtendedRgb
    qint8 spec = 0;
    if (!ReadInt8(spec))
        return false;
    if (spec < 0 || spec > kLastColorSpec)
        return Fail("colour spec not accepted");
    return Skip(5 * sizeof(quint16));  // alpha, red, green, blue, padding
}

bool VariantStreamValidator::ReadUInt32(quint32& value)
{
    if (Remaining() < 4)
        return Fail("data ends early");
    value = qFromBigEndian<quint32>(m_data.data() + m_position);
    m_position += 4;
    return true;
}

bool VariantStreamValidator::ReadInt8(qint8& value)
{
    if (Remaining() < 1)
        return Fail("data ends early");
    value = qint8(m_data[m_position]);
    m_position += 1;
    return true;
}

bool VariantStreamValidator::Skip(quint64 size)
{
    if (size > quint64(Remaining()))
        return Fail("data ends early");
    m_position += qsizetype(size);
    return true;
}

bool VariantStreamValidator::CheckCount(quint32 count, qsizetype minimumItemSize)
{
    if (qsizetype(count) > Remaining() / minimumItemSize)
        return Fail("count larger than the data can hold");
    return true;
}

qsizetype VariantStreamValidator::Remaining() const
{
    return m_data.size() - m_position;
}

bool VariantStreamValidator::Fail(const char* reason)
{
    m_error = QString::fromLatin1(reason);
    return false;
}

} // namespace tessivar::communication
