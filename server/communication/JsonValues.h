#pragma once

#include "core/DeviceTypes.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QRectF>
#include <QStringList>
#include <QVariantMap>
#include <QVersionNumber>

// The JSON encodings of the value types that message bodies carry. Reading never
// fails: a missing member or one of the wrong type reads as an empty or zero value.
namespace tessivar::communication::JsonValues {

// Marks an object as a custom typed value; its string value names the type.
inline constexpr QLatin1StringView kCustomTypeMarker{"-----TessivarCustomJsonType-----"};

// Unsigned 32-bit numbers carried as decimal text; text that does not convert reads as 0.
QJsonValue WriteDecimal(quint64 value);
quint32 ReadDecimal(const QJsonValue& value);

// Plain JSON integers, narrowed to the field's width (16-bit fields keep the low 16 bits).
qint32 ReadInt(const QJsonValue& value);
quint16 ReadLow16(const QJsonValue& value);

QJsonObject WriteBytes(const QByteArray& bytes);
QByteArray ReadBytes(const QJsonValue& value);

// The map travels as Base64 of a QDataStream (version 19) serialisation.
QJsonObject WriteMap(const QVariantMap& map);
// WriteMap's object as compact JSON text, appended to out.
void AppendMap(QByteArray& out, const QVariantMap& map);
// The number's decimal digits, as QByteArray::number writes them, appended to out.
void AppendDecimal(QByteArray& out, quint64 value);
QVariantMap ReadMap(const QJsonValue& value);
// The "MapData" text of such an object; or its bytes in a message, unescaped.
QVariantMap ReadMapData(const QString& text);
QVariantMap ReadMapData(QByteArrayView ascii);

QJsonObject WriteRect(const QRectF& rect);
QRectF ReadRect(const QJsonValue& value);

QJsonArray WriteStringList(const QStringList& list);
QStringList ReadStringList(const QJsonValue& value);

QJsonValue WriteVersion(const QVersionNumber& version);
QVersionNumber ReadVersion(const QJsonValue& value);

// "client", "server", and "unknown" for every other type.
QJsonValue WriteApplicationType(device::ApplicationType_e type);
device::ApplicationType_e ReadApplicationType(const QJsonValue& value);

} // namespace tessivar::communication::JsonValues
