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
    // Keys the map lacks are added together: each key added alone rebuilds the map's
    // meta-object, which for a block's dozen parameters costs more than reading them.
    QVariantHash added;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!contains(it.key()))
            added.insert(it.key(), it.value());
    }
    if (added.size() > 1) {
        insert(added);
        // A key that clashes with the map's own members refuses the whole batch: the
        // keys then go one by one, so that the others are still set.
        if (!contains(added.cbegin().key()))
            added.clear();
    } else {
        added.clear();
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (added.contains(it.key()))
            Q_EMIT valueChanged(it.key(), it.value());
        else
            setValue(it.key(), it.value());
    }
}
