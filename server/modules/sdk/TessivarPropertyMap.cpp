#include "TessivarPropertyMap.h"

TessivarPropertyMap::TessivarPropertyMap(QObject* parent)
    : QQmlPropertyMap(this, parent)
{
}

void TessivarPropertyMap::setValue(const QString& key, const QVariant& value)
{
    if (contains(key) && QQmlPropertyMap::value(key) == value)
        return;
    insert(key, value);
    // insert() may refuse a key that clashes with the map's own members.
    if (contains(key))
        Q_EMIT valueChanged(key, value);
}

QVariantMap TessivarPropertyMap::toVariantMap() const
{
    QVariantMap result;
    const QStringList names = keys();
    for (const QString& key : names)
        result.insert(key, QQmlPropertyMap::value(key));
    return result;
}

void TessivarPropertyMap::loadVariantMap(const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        setValue(it.key(), it.value());
}
