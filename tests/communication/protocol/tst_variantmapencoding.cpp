// Variant maps inside messages: the QDataStream version 19 text that other
// programs read, every value type that blocks use surviving the trip, and
// hostile stream content (announced counts and lengths without the bytes behind
// them) rejected quickly, with a logged reason and an empty map, before Qt
// would reserve memory for it.
#include "communication/JsonValues.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "support/Streamed.h"

#include <QBitArray>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QEasingCurve>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeySequence>
#include <QLocale>
#include <QMatrix4x4>
#include <QPolygon>
#include <QQuaternion>
#include <QRandomGenerator>
#include <QTextLength>
#include <QTransform>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>
#include <QColor>
#include <QDataStream>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLine>
#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>
#include <QtEndian>

#include <climits>
#include <limits>

using namespace tessivar::communication;

namespace {

// Big-endian building blocks of a version 19 stream, written by hand.
QByteArray u32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray text(const QString& string)
{
    QByteArray utf16(string.size() * 2, '\0');
    qToBigEndian<quint16>(string.utf16(), string.size(), utf16.data());
    return u32(quint32(utf16.size())) + utf16;
}

QByteArray variantHeader(quint32 typeId)
{
    return u32(typeId) + QByteArray(1, '\0');
}

QByteArray oneEntry(const QByteArray& typedValue)
{
    return u32(1) + text("A") + typedValue;
}

QJsonObject mapObject(const QByteArray& stream)
{
    return QJsonObject {
        {JsonValues::kCustomTypeMarker, "QVariantMap"}, {"MapData", QString::fromLatin1(stream.toBase64())}};
}

QByteArray qtStream(const QVariantMap& map)
{
    return tessivar::test::streamed(map);
}

QVariantMap qtRead(const QByteArray& bytes)
{
    return tessivar::test::readStreamed<QVariantMap>(bytes);
}

// Equal maps, and equal down to what QVariant comparison overlooks: a NaN's bits, a
// string's nullness, the exact value type.
void compareExactly(const QVariantMap& read, const QVariantMap& expected)
{
    QCOMPARE(read.keys(), expected.keys());
    QCOMPARE(qtStream(read), qtStream(expected));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QCOMPARE(read.find(it.key()).key().isNull(), it.key().isNull());
        QCOMPARE(read.value(it.key()).metaType(), it.value().metaType());
        if (it.value().metaType() == QMetaType::fromType<QString>())
            QCOMPARE(read.value(it.key()).toString().isNull(), it.value().toString().isNull());
    }
}

QVariantMap readBack(const QVariantMap& map)
{
    const QByteArray text = QJsonDocument(JsonValues::WriteMap(map)).toJson(QJsonDocument::Compact);
    return JsonValues::ReadMap(QJsonDocument::fromJson(text).object());
}

} // namespace

class TestVariantMapEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void writesTheVersion19Layout();
    void everyValueTypeSurvives_data();
    void everyValueTypeSurvives();
    void nestedContainersSurvive();

    void hostileStreamsGiveAnEmptyMap_data();
    void hostileStreamsGiveAnEmptyMap();
    void hugeMapTextIsRefusedUndecoded();
    void trailingBytesAreIgnored();
    void plainMapsAreQtsBytes_data();
    void plainMapsAreQtsBytes();
    void streamsReadAsQtReadsThem_data();
    void streamsReadAsQtReadsThem();

    void otherValueEncodings();
    void bytesDecodeAsQtDecodes_data();
    void bytesDecodeAsQtDecodes();
    void checksumMatchesQt();
};

void TestVariantMapEncoding::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestVariantMapEncoding::writesTheVersion19Layout()
{
    // Entries in ascending key order, keys as UTF-16, each value as type id, null flag, payload.
    const QByteArray expected = u32(3) + text("a") + variantHeader(10) + text("\u00e9") + text("b") + variantHeader(1)
        + QByteArray(1, '\1') + text("c") + variantHeader(6) + QByteArray::fromHex("3ff8000000000000");
    const QJsonObject written
        = JsonValues::WriteMap(QVariantMap {{"c", 1.5}, {"a", QStringLiteral("\u00e9")}, {"b", true}});
    QCOMPARE(written, mapObject(expected));
    QCOMPARE(written.keys(), (QStringList {"-----TessivarCustomJsonType-----", "MapData"}));
    QCOMPARE(JsonValues::ReadMap(mapObject(expected)),
        (QVariantMap {{"c", 1.5}, {"a", QStringLiteral("\u00e9")}, {"b", true}}));

    // The marker is not checked on reading.
    QCOMPARE(JsonValues::ReadMap(QJsonObject {{"MapData", QString::fromLatin1(expected.toBase64())}}).size(), 3);
}

void TestVariantMapEncoding::everyValueTypeSurvives_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("invalid") << QVariant();
    QTest::newRow("null string") << QVariant(QString());
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("int") << QVariant(-2147483647 - 1);
    QTest::newRow("uint") << QVariant(4294967295u);
    QTest::newRow("qlonglong") << QVariant(Q_INT64_C(-9223372036854775807));
    QTest::newRow("qulonglong") << QVariant(Q_UINT64_C(18446744073709551615));
    QTest::newRow("double") << QVariant(-0.1);
    QTest::newRow("float") << QVariant(1.25f);
    QTest::newRow("QChar") << QVariant(QChar(0x263A));
    QTest::newRow("string") << QVariant(QStringLiteral("Grüße\n\u2603"));
    QTest::newRow("string list") << QVariant(QStringList {"a", QString(), ""});
    QTest::newRow("byte array") << QVariant(QByteArray("\x00\x01\xff", 3));
    QTest::newRow("null byte array") << QVariant(QByteArray());
    QTest::newRow("byte array list") << QVariant::fromValue(QByteArrayList {"x", QByteArray(), "yz"});
    QTest::newRow("bit array") << QVariant(QBitArray(13, true));
    QTest::newRow("date") << QVariant(QDate(2026, 12, 7));
    QTest::newRow("time") << QVariant(QTime(23, 59, 58, 999));
    QTest::newRow("date-time UTC") << QVariant(QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC));
    QTest::newRow("date-time local") << QVariant(QDateTime(QDate(2026, 6, 1), QTime(8, 30), Qt::LocalTime));
    QTest::newRow("date-time offset") << QVariant(QDateTime(QDate(2026, 6, 1), QTime(8, 30), Qt::OffsetFromUTC, 3600));
    QTest::newRow("url") << QVariant(QUrl("https://example.org/a b?q=1#f"));
    QTest::newRow("rect") << QVariant(QRect(-1, 2, 30, 40));
    QTest::newRow("rectf") << QVariant(QRectF(0.5, 1.5, 2.25, 3));
    QTest::newRow("size") << QVariant(QSize(3, 4));
    QTest::newRow("sizef") << QVariant(QSizeF(3.5, 4));
    QTest::newRow("line") << QVariant(QLine(1, 2, 3, 4));
    QTest::newRow("linef") << QVariant(QLineF(1.5, 2, 3, 4));
    QTest::newRow("point") << QVariant(QPoint(-5, 6));
    QTest::newRow("pointf") << QVariant(QPointF(-5.5, 6));
    QTest::newRow("uuid") << QVariant(QUuid("{67c8770b-44f1-410a-ab9a-f9b5446f13ee}"));
    QTest::newRow("long") << QVariant::fromValue(long(-123456));
    QTest::newRow("ulong") << QVariant::fromValue(ulong(123456));
    QTest::newRow("short") << QVariant::fromValue(short(-12));
    QTest::newRow("ushort") << QVariant::fromValue(ushort(65535));
    QTest::newRow("char") << QVariant::fromValue(char('x'));
    QTest::newRow("signed char") << QVariant::fromValue<signed char>(-3);
    QTest::newRow("uchar") << QVariant::fromValue<uchar>(250);
    QTest::newRow("nullptr") << QVariant::fromValue(nullptr);
    // Block title colours travel in parameters.
    QTest::newRow("colour") << QVariant(QColor(10, 20, 30, 40));
    QTest::newRow("hash") << QVariant(QVariantHash {{"k", 1}});
    // Everything else Qt writes into such a map.
    QTest::newRow("date-time in a named zone")
        << QVariant(QDateTime(QDate(2026, 6, 1), QTime(8, 30), QTimeZone("Europe/Paris")));
    QTest::newRow("date-time in a fixed-offset zone")
        << QVariant(QDateTime(QDate(2026, 6, 1), QTime(8, 30), QTimeZone(5400)));
    QTest::newRow("date-time in a custom zone with territory and comment")
        << QVariant(QDateTime(QDate(2026, 6, 1), QTime(8, 30),
               QTimeZone("UTC+01:30", 5400, "Custom", "CST", QLocale::Germany, "A comment")));
    QTest::newRow("locale") << QVariant(QLocale(QLocale::German, QLocale::Switzerland));
    QTest::newRow("regular expression")
        << QVariant(QRegularExpression("^a+b$", QRegularExpression::CaseInsensitiveOption));
    QTest::newRow("JSON value") << QVariant(QJsonValue(QStringLiteral("text")));
    QTest::newRow("JSON object value") << QVariant(QJsonValue(QJsonObject {{"a", 1}}));
    QTest::newRow("JSON object") << QVariant(QJsonObject {{"a", QJsonArray {1, "b", true}}});
    QTest::newRow("JSON array") << QVariant(QJsonArray {1, 2.5, QJsonValue::Null});
    QTest::newRow("JSON document") << QVariant(QJsonDocument(QJsonArray {"x"}));
    QTest::newRow("CBOR value") << QVariant::fromValue(QCborValue(QStringLiteral("c")));
    QTest::newRow("CBOR array") << QVariant::fromValue(QCborArray {1, "two"});
    QTest::newRow("CBOR map") << QVariant::fromValue(QCborMap {{1, 2}});
    QTest::newRow("CBOR simple type") << QVariant::fromValue(QCborSimpleType::True);
    QTest::newRow("easing curve") << QVariant(QEasingCurve(QEasingCurve::InOutQuad));
    QTest::newRow("char16_t") << QVariant::fromValue(char16_t(0x263A));
    QTest::newRow("char32_t") << QVariant::fromValue(char32_t(0x1F600));
    QTest::newRow("qfloat16") << QVariant::fromValue(qfloat16(1.5f));
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30, 40));
    QTest::newRow("image") << QVariant(image);
    QTest::newRow("null image") << QVariant(QImage());
    QFont font(QStringLiteral("Roboto"), 13);
    font.setBold(true);
    QTest::newRow("font") << QVariant(font);
    QTest::newRow("polygon") << QVariant(QPolygon({QPoint(1, 2), QPoint(-3, 4)}));
    QTest::newRow("polygonf") << QVariant(QPolygonF({QPointF(1.5, 2)}));
    QTest::newRow("key sequence") << QVariant(QKeySequence(QStringLiteral("Ctrl+Shift+A, B")));
    QTest::newRow("text length") << QVariant(QTextLength(QTextLength::PercentageLength, 50));
    QTest::newRow("transform") << QVariant(QTransform(1, 2, 3, 4, 5, 6));
    QTest::newRow("matrix") << QVariant(QMatrix4x4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16));
    QTest::newRow("vector 2D") << QVariant(QVector2D(1, 2));
    QTest::newRow("vector 3D") << QVariant(QVector3D(1, 2, 3));
    QTest::newRow("vector 4D") << QVariant(QVector4D(1, 2, 3, 4));
    QTest::newRow("quaternion") << QVariant(QQuaternion(1, 2, 3, 4));
}

void TestVariantMapEncoding::everyValueTypeSurvives()
{
    QFETCH(QVariant, value);
    const QVariantMap map {{"Value", value}, {"After", QStringLiteral("still in step")}};
    const QVariantMap read = readBack(map);
    QCOMPARE(read.value("After"), QVariant(QStringLiteral("still in step")));
    QCOMPARE(read.value("Value").metaType(), value.metaType());
    QCOMPARE(read.value("Value"), value);
}

void TestVariantMapEncoding::nestedContainersSurvive()
{
    QVariant deep = QVariantMap {{"leaf", 1}};
    for (int level = 0; level < 30; ++level)
        deep = level % 2 ? QVariant(QVariantMap {{"m", deep}}) : QVariant(QVariantList {deep, level});
    const QVariantMap map {{"Deep", deep}, {"Empty list", QVariantList()}, {"Empty map", QVariantMap()}};
    QCOMPARE(readBack(map), map);

    QVariantMap wide;
    for (int i = 0; i < 5000; ++i)
        wide.insert(QString::number(i), i);
    QCOMPARE(readBack(wide), wide);
}

void TestVariantMapEncoding::hostileStreamsGiveAnEmptyMap_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("reason");
    const QString tooMany = "count larger than the data can hold";
    const QString endsEarly = "data ends early";
    QTest::newRow("empty stream") << QByteArray() << endsEarly;
    QTest::newRow("map announcing 2^31 entries") << u32(0x80000000) << tooMany;
    QTest::newRow("map announcing 2^32-1 entries") << u32(0xFFFFFFFF) + text("a") + variantHeader(0) << tooMany;
    QTest::newRow("key claiming 4 GiB") << u32(1) + u32(0xFFFFFFFE) + QByteArray(64, 'a') << endsEarly;
    QTest::newRow("string claiming 4 GiB") << oneEntry(variantHeader(10) + u32(0xFFFFFFFE)) << endsEarly;
    QTest::newRow("string of odd length")
        << oneEntry(variantHeader(10) + u32(3) + "abc") << "string of odd byte length";
    QTest::newRow("byte array claiming 2 GiB") << oneEntry(variantHeader(12) + u32(0x7FFFFFFF) + "abc") << endsEarly;
    QTest::newRow("url claiming 4 GiB") << oneEntry(variantHeader(17) + u32(0xFFFFFFFE)) << endsEarly;
    QTest::newRow("list announcing 2^32-1 items") << oneEntry(variantHeader(9) + u32(0xFFFFFFFF)) << tooMany;
    QTest::newRow("string list announcing 2^31") << oneEntry(variantHeader(11) + u32(0x80000000)) << tooMany;
    QTest::newRow("byte array list announcing 2^31") << oneEntry(variantHeader(49) + u32(0x7FFFFFFF)) << tooMany;
    QTest::newRow("hash announcing 2^31") << oneEntry(variantHeader(28) + u32(0x80000000)) << tooMany;
    QTest::newRow("bit array claiming 2^32 bits") << oneEntry(variantHeader(13) + u32(0xFFFFFFFF)) << endsEarly;
    QTest::newRow("user type") << oneEntry(variantHeader(127) + u32(11) + "QList<int>" + QByteArray(1, '\0')
        + u32(0xFFFFFFFF)) << "value type not accepted";
    QTest::newRow("Qt 6 user type") << oneEntry(variantHeader(1024) + u32(0xFFFFFFFF)) << "value type not accepted";
    // Qt would read four keys, then take the fifth for the next entry's key length.
    QTest::newRow("key sequence of five keys") << u32(2) + text("a") + variantHeader(75) + u32(5) + u32(1) + u32(2)
        + u32(3) + u32(4) + u32(0) + text("b") + variantHeader(9) + u32(0xFFFFFFF) << "key sequence longer than four keys";
    QTest::newRow("variant in variant") << oneEntry(variantHeader(41) + variantHeader(2) + u32(1))
                                        << "value type not accepted";
    QTest::newRow("regular expression claiming 4 GiB") << oneEntry(variantHeader(44) + u32(0xFFFFFFFE))
                                                       << endsEarly;
    QTest::newRow("time zone name claiming 4 GiB") << oneEntry(variantHeader(16) + QByteArray(8, '\0') + u32(0)
        + QByteArray(1, '\3') + u32(0xFFFFFFFE)) << endsEarly;
    QTest::newRow("unknown named type") << oneEntry(variantHeader(1024) + u32(11) + "QList<int>" + QByteArray(1, '\0')
        + u32(0x7FFFFFFF)) << "value type not accepted";
    QTest::newRow("polygon announcing 2^31 points") << oneEntry(variantHeader(71) + u32(0x80000000)) << tooMany;
    QTest::newRow("JSON object claiming 2 GiB") << oneEntry(variantHeader(46) + u32(0x7FFFFFFF)) << endsEarly;
    QTest::newRow("custom easing curve") << oneEntry(variantHeader(29) + QByteArray(1, '\x2d') + QByteArray(9, '\0'))
                                         << "easing curve type not accepted";
    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QTest::newRow("image of 65535 x 65535 pixels") << oneEntry(variantHeader(70) + u32(1) + png + u32(13) + "IHDR"
        + u32(65535) + u32(65535) + QByteArray(9, '\0')) << "image too large";
    QTest::newRow("image chunk claiming 4 GiB") << oneEntry(variantHeader(70) + u32(1) + png + u32(13) + "IHDR"
        + u32(2) + u32(2) + QByteArray(9, '\0') + u32(0xFFFFFFF0) + "IDAT") << endsEarly;
    QTest::newRow("image that is no PNG") << oneEntry(variantHeader(70) + u32(1) + QByteArray(16, 'x'))
                                          << "image is not a PNG";
    QTest::newRow("unknown date-time spec")
        << oneEntry(variantHeader(16) + QByteArray(12, '\0') + QByteArray(1, '\7')) << "date-time spec not accepted";
    QTest::newRow("colour spec out of range")
        << oneEntry(variantHeader(67) + QByteArray(1, '\x09') + QByteArray(10, '\0')) << "colour spec not accepted";
    QByteArray nested = variantHeader(2) + u32(1);
    for (int level = 0; level < 40; ++level)
        nested = variantHeader(9) + u32(1) + nested;
    QTest::newRow("lists nested 40 deep") << oneEntry(nested) << "values nested too deeply";
    QByteArray nestedMaps = u32(0);
    for (int level = 0; level < 40; ++level)
        nestedMaps = u32(1) + text("m") + variantHeader(8) + nestedMaps;
    QTest::newRow("maps nested 40 deep") << nestedMaps << "values nested too deeply";
    const QByteArray good = u32(2) + text("a") + variantHeader(2) + u32(1) + text("b") + variantHeader(10) + text("xy");
    QTest::newRow("truncated in the last value") << good.chopped(1) << endsEarly;
    QTest::newRow("truncated in a type id") << good.left(4 + (6 + 5 + 4) + 6 + 2) << endsEarly;
    QTest::newRow("fixed value cut short") << oneEntry(variantHeader(20) + QByteArray(31, '\0')) << endsEarly;
}

void TestVariantMapEncoding::hostileStreamsGiveAnEmptyMap()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, reason);
    QTest::ignoreMessage(QtWarningMsg, qPrintable("Invalid QVariantMap in message, reading an empty map: " + reason));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(JsonValues::ReadMap(mapObject(stream)), QVariantMap());
    QVERIFY2(clock.elapsed() < 1000, "rejection took as long as reading the announced size");
}

void TestVariantMapEncoding::hugeMapTextIsRefusedUndecoded()
{
    QTest::ignoreMessage(QtWarningMsg, "Invalid QVariantMap in message, reading an empty map: invalid Base64");
    QCOMPARE(JsonValues::ReadMap(QJsonObject {{"MapData", "not*base64"}}), QVariantMap());
    QTest::ignoreMessage(QtWarningMsg, "Invalid QVariantMap in message, reading an empty map: data ends early");
    QCOMPARE(JsonValues::ReadMap(QJsonObject {{"MapData", 17}}), QVariantMap());
    // No map data at all is an empty map, not a fault.
    QCOMPARE(JsonValues::ReadMap(QJsonValue("AAAAAA==")), QVariantMap());
    QCOMPARE(JsonValues::ReadMap(QJsonObject {{"-----TessivarCustomJsonType-----", "QVariantMap"}}), QVariantMap());

    const QString huge(16 * 1024 * 1024 + 4, QLatin1Char('A'));
    QTest::ignoreMessage(QtWarningMsg, "Invalid QVariantMap in message, reading an empty map: data too large");
    QCOMPARE(JsonValues::ReadMap(QJsonObject {{"MapData", huge}}), QVariantMap());
}

void TestVariantMapEncoding::trailingBytesAreIgnored()
{
    const QByteArray stream = u32(1) + text("a") + variantHeader(2) + u32(7) + "trailing";
    QCOMPARE(JsonValues::ReadMap(mapObject(stream)), (QVariantMap {{"a", 7}}));
}

void TestVariantMapEncoding::plainMapsAreQtsBytes_data()
{
    QTest::addColumn<QVariantMap>("map");
    QVariantMap many;
    for (int i = 0; i < 1000; ++i)
        many.insert(QString::number(i), i % 3 ? QVariant(i * 0.5) : QVariant(QString(i, QLatin1Char('x'))));
    QTest::newRow("empty") << QVariantMap();
    QTest::newRow("booleans") << QVariantMap {{"Pressed", true}, {"Released", false}};
    QTest::newRow("integers") << QVariantMap {{"min", std::numeric_limits<int>::min()}, {"max", INT_MAX},
        {"uint", std::numeric_limits<uint>::max()}, {"ll", std::numeric_limits<qlonglong>::min()},
        {"ull", std::numeric_limits<qulonglong>::max()}};
    QTest::newRow("doubles") << QVariantMap {{"minus zero", -0.0}, {"nan", qQNaN()}, {"inf", -qInf()},
        {"tiny", std::numeric_limits<double>::denorm_min()}, {"third", 1.0 / 3}};
    QTest::newRow("strings") << QVariantMap {{"null", QString()}, {"empty", QString("")},
        {"text", QStringLiteral("Grüße \u2603 \U0001F600")}, {"long", QString(100000, QLatin1Char('y'))}};
    QTest::newRow("keys") << QVariantMap {{QString(), 1}, {QString(""), 2}, {QStringLiteral("\u00e9"), 3}};
    QTest::newRow("many entries") << many;
    // Not plain: written and read by QDataStream, in the same stream as the plain values.
    QTest::newRow("float") << QVariantMap {{"f", 1.25f}, {"i", 1}};
    QTest::newRow("byte array") << QVariantMap {{"b", QByteArray("x")}, {"i", 1}};
    QTest::newRow("nested map") << QVariantMap {{"m", QVariantMap {{"i", 1}}}, {"s", "t"}};
    QTest::newRow("invalid value") << QVariantMap {{"v", QVariant()}, {"i", 1}};
    QTest::newRow("null-flagged int") << QVariantMap {{"v", QVariant(QMetaType::fromType<int>())}, {"i", 1}};
}

void TestVariantMapEncoding::plainMapsAreQtsBytes()
{
    QFETCH(QVariantMap, map);
    const QByteArray expected = qtStream(map);
    QCOMPARE(JsonValues::WriteMap(map), mapObject(expected));
    QByteArray appended = "[";
    JsonValues::AppendMap(appended, map);
    QCOMPARE(appended, "[" + QJsonDocument(mapObject(expected)).toJson(QJsonDocument::Compact));
    compareExactly(JsonValues::ReadMapData(QString::fromLatin1(expected.toBase64())), qtRead(expected));
}

void TestVariantMapEncoding::streamsReadAsQtReadsThem_data()
{
    QTest::addColumn<QByteArray>("stream");
    const QByteArray one = variantHeader(2) + u32(1);
    QTest::newRow("null flag on a plain value") << u32(1) + text("a") + u32(2) + QByteArray(1, '\1') + u32(7);
    QTest::newRow("repeated key") << u32(2) + text("a") + one + text("a") + variantHeader(2) + u32(2);
    QTest::newRow("keys out of order") << u32(2) + text("b") + one + text("a") + one;
    QTest::newRow("null key") << u32(1) + u32(0xFFFFFFFF) + one;
    QTest::newRow("empty string value") << u32(1) + text("a") + variantHeader(10) + u32(0);
    QTest::newRow("bool byte other than one") << u32(1) + text("a") + variantHeader(1) + QByteArray(1, '\x7f');
    QTest::newRow("plain value then a list")
        << u32(2) + text("a") + one + text("b") + variantHeader(9) + u32(1) + one;
    QTest::newRow("trailing bytes") << u32(1) + text("a") + one + "more";
}

void TestVariantMapEncoding::streamsReadAsQtReadsThem()
{
    QFETCH(QByteArray, stream);
    compareExactly(JsonValues::ReadMapData(QString::fromLatin1(stream.toBase64())), qtRead(stream));
}

void TestVariantMapEncoding::otherValueEncodings()
{
    QCOMPARE(JsonValues::WriteRect(QRectF(0.5, -1, 3, 2)),
        (QJsonObject {{"left", 0.5}, {"top", -1}, {"width", 3}, {"height", 2}}));
    QCOMPARE(JsonValues::ReadRect(QJsonObject {{"top", 4}, {"height", "5"}}), QRectF(0, 4, 0, 0));
    QCOMPARE(JsonValues::ReadRect(QJsonValue(3)), QRectF());
    QCOMPARE(JsonValues::WriteStringList({"a", ""}), (QJsonArray {"a", ""}));
    QCOMPARE(JsonValues::ReadStringList(QJsonArray {"a", 1, QJsonObject(), "b"}), (QStringList {"a", "", "", "b"}));
    QCOMPARE(JsonValues::WriteDecimal(Q_UINT64_C(18446744073709551615)), QJsonValue("18446744073709551615"));
    QCOMPARE(JsonValues::ReadDecimal(QJsonValue("18446744073709551615")), 0u);
    QCOMPARE(JsonValues::WriteVersion(QVersionNumber(1, 5, 1)), QJsonValue("1.5.1"));
    QCOMPARE(JsonValues::WriteVersion(QVersionNumber()), QJsonValue(""));
    QCOMPARE(JsonValues::ReadVersion(QJsonValue("2.0.1-beta")), QVersionNumber(2, 0, 1));
    QCOMPARE(JsonValues::WriteBytes(QByteArray("\xff\xfe", 2)),
        (QJsonObject {{"-----TessivarCustomJsonType-----", "QByteArray"}, {"Size", 2}, {"Data", "//4="}}));
}

void TestVariantMapEncoding::bytesDecodeAsQtDecodes_data()
{
    QTest::addColumn<QString>("data");
    const QString long64 = QString::fromLatin1(QByteArray(300, '\x5a').toBase64());
    const QList<std::pair<const char*, QString>> rows {
        {"empty", ""},
        {"one char", "Q"},
        {"two chars", "QQ"},
        {"padded one byte", "QQ=="},
        {"padded two bytes", "QUI="},
        {"unpadded two bytes", "QUI"},
        {"whole groups", "QUJDREVG"},
        {"padding then more", "QQ==QUJD"},
        {"padding in the middle of a group", "QU=I"},
        {"padding on odd length", "QUJDR=="},
        {"three pads", "Q==="},
        {"url alphabet", "-_-_QUJD"},
        {"space in the first group", "QU I QUJD"},
        {"newline at the end", "QUJD\n"},
        {"non-Latin-1 in a group", QStringLiteral("QUJ\u0100QUJD")},
        {"Latin-1 letter in a group", QStringLiteral("QUJ\u00e9QUJD")},
        {"long", long64},
        {"long with a bad char near the end", QString(long64).replace(long64.size() - 6, 1, QLatin1Char('*'))},
        {"long with a bad char at the start", QString(long64).replace(0, 1, QLatin1Char('.'))},
    };
    for (const auto& [name, data] : rows)
        QTest::newRow(name) << data;
    // Random texts from the alphabet and its neighbours, every length to twelve.
    QRandomGenerator random(7);
    const QByteArray characters = "ABCXYZabcxyz0189+/=-_ .";
    for (int length = 0; length <= 12; ++length)
        for (int sample = 0; sample < 20; ++sample) {
            QString text;
            for (int i = 0; i < length; ++i)
                text.append(QLatin1Char(characters.at(random.bounded(int(characters.size())))));
            QTest::addRow("random %d/%d", length, sample) << text;
        }
}

void TestVariantMapEncoding::bytesDecodeAsQtDecodes()
{
    QFETCH(QString, data);
    const auto expected = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // Refused text reads as empty bytes; so does a valid empty text.
    const QByteArray read = JsonValues::ReadBytes(QJsonObject {{"Data", data}});
    QCOMPARE(read, expected ? expected.decoded : QByteArray());
}

void TestVariantMapEncoding::checksumMatchesQt()
{
    QRandomGenerator random(11);
    QByteArray data(4099, Qt::Uninitialized);
    for (char& byte : data)
        byte = static_cast<char>(random.bounded(256));
    // Every length up to a few words and every alignment of the eight-byte steps.
    for (int offset = 0; offset < 9; ++offset)
        for (int length = 0; length < 40; ++length) {
            const QByteArrayView slice = QByteArrayView(data).sliced(offset, length);
            QCOMPARE(tessivar::checksum(slice), qChecksum(slice, Qt::ChecksumIso3309));
        }
    QCOMPARE(tessivar::checksum(data), qChecksum(data, Qt::ChecksumIso3309));
    QCOMPARE(tessivar::checksum("123456789"), quint16(0x906e)); // the X.25 check value
}

QTEST_MAIN(TestVariantMapEncoding)
#include "tst_variantmapencoding.moc"
