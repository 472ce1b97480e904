#include "communication/TessivarMessage.h"

#include "communication/JsonValues.h"
#include "communication/MessageCatalogue.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tessivar::communication {

namespace {

QJsonValue expandCustomValues(const QJsonValue& value);

QJsonValue expandCustomObject(const QJsonObject& object)
{
    const QString marker = object.value(JsonValues::kCustomTypeMarker).toString();
    if (marker == QLatin1StringView("QVariantMap"))
        return QJsonObject::fromVariantMap(JsonValues::ReadMap(object));
    if (marker == QLatin1StringView("QByteArray"))
        return QJsonObject{{QStringLiteral("Type"), QStringLiteral("Binary")},
                           {QStringLiteral("Size"), object.value(QLatin1StringView("Size"))}};
    return QString(QLatin1StringView("InvalidCustomType[") + marker + QLatin1StringView("]}"));
}

QJsonObject expandObject(const QJsonObject& object)
{
    QJsonObject expanded;
    for (auto it = object.begin(); it != object.end(); ++it)
        expanded.insert(it.key(), expandCustomValues(it.value()));
    return expanded;
}

QJsonValue expandCustomValues(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray expanded;
        for (const QJsonValue& element : value.toArray())
            expanded.append(expandCustomValues(element));
        return expanded;
    }
    if (!value.isObject())
        return value;
    const QJsonObject object = value.toObject();
    if (object.contains(JsonValues::kCustomTypeMarker))
        return expandCustomObject(object);
    return expandObject(object);
}

} // namespace

TessivarMessage::TessivarMessage(MessageType_e type)
    : m_type(type)
{
}

MessageType_e TessivarMessage::GetType() const
{
    return m_type;
}

void TessivarMessage::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "TessivarMessage[type=" << MessageCatalogue::PrintName(m_type) << "]\n"
                              << DebugDump(ToJson());
}

QString TessivarMessage::DebugDump(const QJsonObject& body)
{
    const QByteArray text = QJsonDocument(expandObject(body)).toJson(QJsonDocument::Indented);
    return QString::fromUtf8(text).trimmed();
}

} // namespace tessivar::communication
