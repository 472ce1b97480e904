// One job, one file: a QVariant stream is validated type by type, and the types are many.
#include "communication/VariantStreamValidator.h"

#include "core/ApplicationConstants.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMetaType>
#include <QtEndian>

#include <algorithm>

namespace tessivar::communication {

namespace {

// Maps and lists inside block values are a few levels deep; Qt reads them recursively.
constexpr int kMaximumNesting = 32;

// Smallest encodings, used to tell whether an announced count can be real.
constexpr qsizetype kMinimumLengthSize = 4;                                          // QString, QByteArray
constexpr qsizetype kMinimumVariantSize = 5;                                         // type id and null flag
constexpr qsizetype kMinimumMapEntrySize = kMinimumLengthSize + kMinimumVariantSize; // key and value

constexpr quint32 kNullLength = 0xFFFFFFFF; // a null QString or QByteArray
constexpr quint32 kMaximumKeySequenceLength = 4;

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
    Locale = 18,
    EasingCurve = 29,
    RegularExpression = 44,
    JsonValue = 45,
    JsonObject = 46,
    JsonArray = 47,
    JsonDocument = 48,
    CborSimpleType = 52,
    CborValue = 53,
    CborArray = 54,
    CborMap = 55,
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
    Float = 38, // written as a double: the stream keeps its default double precision
    SChar = 40,
    ByteArrayList = 49,
    Nullptr = 51,
    Font = 64,
    Pixmap = 65,
    Color = 67,
    Image = 70,
    Polygon = 71,
    Bitmap = 73,
    KeySequence = 75,
    TextLength = 77,
    Transform = 80,
    Matrix4x4 = 81,
    Vector2D = 82,
    Vector3D = 83,
    Vector4D = 84,
    Quaternion = 85,
    PolygonF = 86,
    FirstGuiStreamType = 64, // the Gui types of a version 19 stream start here...
    LastGuiStreamType = 87,
    User = 1024, // ...and types written by name here
};

// Where the Gui types of a version 19 stream are numbered in this Qt.
constexpr int kFirstGuiMetaType = 0x1000;

// An image is decoded into width x height pixels of up to 8 bytes whatever its size on
// the wire (a compressed image is tiny): dashboard pictures stay far below this.
constexpr quint64 kMaximumImagePixels = 4096 * 4096;

// Qt types a stream writes by name, with their payload sizes; any other name is refused.
qsizetype namedTypePayloadSize(QByteArrayView name)
{
    if (name == "char16_t" || name == "qfloat16")
        return 2;
    if (name == "char32_t")
        return 4;
    return -1;
}

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
    case CborSimpleType:
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
    case TextLength:
        return 4 + 8;
    case Vector2D:
        return 2 * 8;
    case Vector3D:
        return 3 * 8;
    case RectF:
    case LineF:
    case Vector4D:
    case Quaternion:
        return 32;
    case Transform:
        return 9 * 8;
    case Matrix4x4:
        return 16 * 8;
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
    return ValidateVariantMapAt(0);
}

bool VariantStreamValidator::ValidateVariantMapAt(qsizetype position)
{
    m_position = std::clamp<qsizetype>(position, 0, m_data.size());
    m_error.clear();
    return SkipMap(0);
}

bool VariantStreamValidator::ValidateStringListAt(qsizetype position)
{
    m_position = std::clamp<qsizetype>(position, 0, m_data.size());
    m_error.clear();
    return SkipStringList();
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
    case Locale:
        return SkipString();
    case RegularExpression:
        return SkipString() && Skip(4);
    case JsonValue:
        return SkipJsonValue();
    case JsonObject:
    case JsonArray:
    case JsonDocument:
    case CborValue:
    case CborArray:
    case CborMap:
        return SkipByteArray(); // JSON text or CBOR, parsed by Qt within these bytes
    case EasingCurve:
        return SkipEasingCurve();
    case User:
        return SkipNamedType();
    default:
        return SkipGuiValue(typeId);
    }
}

bool VariantStreamValidator::SkipGuiValue(quint32 typeId)
{
    if (typeId < FirstGuiStreamType || typeId > LastGuiStreamType)
        return Fail("value type not accepted");
    // Without the Gui module Qt would skip the payload and read what follows out of step.
    const QMetaType type(kFirstGuiMetaType + int(typeId - FirstGuiStreamType));
    if (!type.isValid() || !type.hasRegisteredDataStreamOperators())
        return Fail("value type needs the Gui module");
    switch (typeId) {
    case Font:
        return SkipFont();
    case Pixmap:
    case Bitmap:
        // Qt stops the process when a pixmap is made without a QGuiApplication (a
        // program of this system without a window reads the same messages).
        if (!QCoreApplication::instance() || !QCoreApplication::instance()->inherits("QGuiApplication"))
            return Fail("pixmap values need a running QGuiApplication");
        return SkipImage();
    case Image:
        return SkipImage();
    case Polygon:
        return SkipCountedItems(2 * 4);
    case PolygonF:
        return SkipCountedItems(2 * 8);
    case KeySequence: {
        // Qt reads at most four keys whatever the count says and goes on reading the
        // next value where the fourth ends: a longer sequence would be walked where Qt
        // does not read. Qt writes one or four.
        quint32 count = 0;
        if (!ReadUInt32(count))
            return false;
        if (count > kMaximumKeySequenceLength)
            return Fail("key sequence longer than four keys");
        return Skip(quint64(count) * 4);
    }
    default:
        return Fail("value type not accepted");
    }
}

bool VariantStreamValidator::SkipCountedItems(qsizetype itemSize)
{
    quint32 count = 0;
    if (!ReadUInt32(count) || !CheckCount(count, itemSize))
        return false;
    return Skip(quint64(count) * quint64(itemSize));
}

bool VariantStreamValidator::SkipFont()
{
    // Family, style name, point size (double), pixel size, then style hint, strategy
    // (16 bits), character set, weight, bits, stretch (16 bits), extended bits, letter and
    // word spacing, hinting preference, capitalisation, and the other families.
    constexpr qsizetype kFixedAfterSizes = 1 + 2 + 1 + 1 + 1 + 2 + 1 + 4 + 4 + 1 + 1;
    return SkipString() && SkipString() && Skip(8 + 4) && Skip(kFixedAfterSizes) && SkipStringList();
}

bool VariantStreamValidator::SkipImage()
{
    quint32 present = 0;
    if (!ReadUInt32(present))
        return false;
    if (present == 0)
        return true;
    if (present != 1)
        return Fail("image flag not accepted");
    // A PNG file: its signature, then chunks (length, type, data, checksum) up to "IEND".
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (Remaining() < 8 || m_data.sliced(m_position, 8) != QByteArrayView(kSignature, 8))
        return Fail("image is not a PNG");
    m_position += 8;
    bool header = false;
    for (;;) {
        quint32 length = 0;
        if (!ReadUInt32(length) || Remaining() < 4)
            return Fail("data ends early");
        const QByteArrayView chunkType = m_data.sliced(m_position, 4);
        m_position += 4;
        if (chunkType == "IHDR") {
            quint32 width = 0;
            quint32 height = 0;
            if (length < 8 || !ReadUInt32(width) || !ReadUInt32(height))
                return Fail("image header not accepted");
            if (quint64(width) * quint64(height) > kMaximumImagePixels)
                return Fail("image too large");
            header = true;
            length -= 8;
        } else if (!header) {
            return Fail("image header not accepted");
        }
        if (!Skip(quint64(length) + 4))
            return false;
        if (chunkType == "IEND")
            return true;
    }
}

bool VariantStreamValidator::SkipJsonValue()
{
    qint8 type = 0;
    if (!ReadInt8(type))
        return false;
    switch (quint8(type)) {
    case 0x00: // null
    case 0x80: // undefined
        return true;
    case 0x01: // bool
        return Skip(1);
    case 0x02: // double
        return Skip(8);
    case 0x03: // string
        return SkipString();
    case 0x04: // array, as JSON text
    case 0x05: // object, as JSON text
        return SkipByteArray();
    default:
        return Fail("JSON value type not accepted");
    }
}

bool VariantStreamValidator::SkipEasingCurve()
{
    // Type, a function pointer field, whether a configuration follows.
    constexpr qint8 kCustomType = 45;
    qint8 type = 0;
    qint8 hasConfig = 0;
    if (!ReadInt8(type) || !Skip(8) || !ReadInt8(hasConfig))
        return false;
    // A custom curve is a function of the program that wrote it: nothing to take from a peer.
    if (type < 0 || type >= kCustomType)
        return Fail("easing curve type not accepted");
    if (hasConfig == 0)
        return true;
    // Period, amplitude, overshoot; Bezier points; TCB points (a point and three doubles).
    return Skip(3 * 8) && SkipCountedItems(2 * 8) && SkipCountedItems(2 * 8 + 3 * 8);
}

bool VariantStreamValidator::SkipNamedType()
{
    quint32 length = 0;
    if (!ReadUInt32(length) || length == kNullLength || length == 0 || quint64(length) > quint64(Remaining()))
        return Fail("value type not accepted");
    // The name is written with its terminating zero.
    const QByteArrayView name = m_data.sliced(m_position, length - 1);
    m_position += length;
    const qsizetype size = namedTypePayloadSize(name);
    if (size < 0)
        return Fail("value type not accepted");
    return Skip(quint64(size));
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
    case Qt::TimeZone:
        return SkipTimeZone();
    default:
        return Fail("date-time spec not accepted");
    }
}

bool VariantStreamValidator::SkipTimeZone()
{
    // The zone's id (looked up on this machine, an unknown one gives an invalid zone);
    // a fixed offset zone follows its marker with id, offset, name, abbreviation,
    // territory and comment.
    const qsizetype start = m_position;
    if (!SkipString())
        return false;
    static const QByteArray kOffsetMarker = [] {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(tessivar::kDataStreamVersion);
        out << QStringLiteral("OffsetFromUtc");
        return bytes;
    }();
    if (m_data.sliced(start, m_position - start) != QByteArrayView(kOffsetMarker))
        return true;
    return SkipString() && Skip(4) && SkipString() && SkipString() && Skip(4) && SkipString();
}

bool VariantStreamValidator::SkipColor()
{
    // Qt can only read a colour when its Gui module is loaded; otherwise it would
    // skip the payload and read everything after it out of step.
    const QMetaType colorType(QMetaType::QColor);
    if (!colorType.isValid() || !colorType.hasRegisteredDataStreamOperators())
        return Fail("colour values need the Gui module");
    constexpr qint8 kLastColorSpec = 5; // QColor::ExtendedRgb
    qint8 spec = 0;
    if (!ReadInt8(spec))
        return false;
    if (spec < 0 || spec > kLastColorSpec)
        return Fail("colour spec not accepted");
    return Skip(5 * sizeof(quint16)); // alpha, red, green, blue, padding
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
