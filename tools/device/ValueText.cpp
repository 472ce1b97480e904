#include "ValueText.h"

#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace tessivar::devicecli {

namespace {

QString cut(const QString& text)
{
    if (text.size() <= kMaximumPrintedTextLength)
        return text;
    return text.left(kMaximumPrintedTextLength) + QStringLiteral("... (%1 characters)").arg(text.size());
}

QString quoted(const QString& text)
{
    // JSON quoting escapes what a terminal should not see raw.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

} // namespace

QString plainText(const QString& text)
{
    QString plain = text;
    for (QChar& c : plain) {
        if (!c.isPrint())
            c = QChar::ReplacementCharacter;
    }
    return cut(plain);
}

QString valueText(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return QStringLiteral("(none)");
    case QMetaType::QString:
        return cut(quoted(value.toString()));
    case QMetaType::QColor: {
        const QColor color = value.value<QColor>();
        return color.name(color.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
    }
    case QMetaType::QUrl:
        return cut(value.toUrl().toString());
    case QMetaType::QByteArray:
        return QStringLiteral("(%1 bytes)").arg(value.toByteArray().size());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return cut(QString::fromUtf8(
            QJsonDocument(QJsonArray::fromVariantList(value.toList())).toJson(QJsonDocument::Compact)));
    case QMetaType::QVariantMap:
        return cut(QString::fromUtf8(
            QJsonDocument(QJsonObject::fromVariantMap(value.toMap())).toJson(QJsonDocument::Compact)));
    default:
        break;
    }
    if (value.canConvert<QString>())
        return cut(value.toString());
    return QStringLiteral("(%1)").arg(QString::fromLatin1(value.typeName()));
}

std::optional<std::pair<QString, QVariant>> parseAssignment(const QString& text)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return std::nullopt;
    const QString key = text.left(equals);
    const QString raw = text.mid(equals + 1);
    if (raw.size() >= 2 && raw.startsWith(QLatin1Char('"')) && raw.endsWith(QLatin1Char('"')))
        return std::make_pair(key, QVariant(raw.mid(1, raw.size() - 2)));
    if (raw == QLatin1String("true") || raw == QLatin1String("false"))
        return std::make_pair(key, QVariant(raw == QLatin1String("true")));
    bool ok = false;
    const int whole = raw.toInt(&ok);
    if (ok)
        return std::make_pair(key, QVariant(whole));
    const double decimal = raw.toDouble(&ok);
    if (ok && raw.contains(QLatin1Char('.')))
        return std::make_pair(key, QVariant(decimal));
    return std::make_pair(key, QVariant(raw));
}

} // namespace tessivar::devicecli
