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
    for (const QString& key : names) {
        // QML reading a key the map lacks leaves it there, unset: not a value.
        const QVariant value = QQmlPropertyMap::value(key);
        if (value.isValid())
            result.insert(key, value);
    }
    return result;
}

void TessivarPropertyMap::removeValue(const QString& key)
{
    if (!contains(key) || !QQmlPropertyMap::value(key).isValid())
        return;
    clear(key);
    Q_EMIT valueChanged(key, QVariant());
}

void TessivarPropertyMap::loadVariantMap(const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        setValue(it.key(), it.value());
}
