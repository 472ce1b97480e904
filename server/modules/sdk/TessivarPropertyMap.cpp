#include "TessivarPropertyMap.h"

#include <QDebug>

namespace {

// The names QQmlPropertyMap refuses as keys, as they clash with its own members; a
// plain map refuses them too, so that a key behaves the same before and after forQml().
bool isAllowedKey(const QString& key)
{
    for (const char* reserved : {"keys", "valueChanged", "QObject", "destroyed", "deleteLater"})
        if (key == QLatin1String(reserved))
            return false;
    return true;
}

} // namespace

TessivarPropertyMap::TessivarPropertyMap(QObject* parent)
    : QQmlPropertyMap(this, parent)
{
}

void TessivarPropertyMap::setValue(const QString& key, const QVariant& value)
{
    if (contains(key) && this->value(key) == value)
        return;
    if (!isAllowedKey(key)) {
        qWarning() << "A parameter cannot be named" << key << "(a member of the map has that name)";
        return;
    }
    if (m_forQml)
        insert(key, value);
    else
        m_plain.insert(key, value);
    Q_EMIT valueChanged(key, value);
}

QVariant TessivarPropertyMap::value(const QString& key) const
{
    return m_forQml ? QQmlPropertyMap::value(key) : m_plain.value(key);
}

bool TessivarPropertyMap::contains(const QString& key) const
{
    return m_forQml ? QQmlPropertyMap::contains(key) : m_plain.contains(key);
}

QStringList TessivarPropertyMap::keys() const
{
    return m_forQml ? QQmlPropertyMap::keys() : m_plain.keys();
}

QVariantMap TessivarPropertyMap::toVariantMap() const
{
    QVariantMap result;
    const QStringList names = keys();
    for (const QString& key : names) {
        // QML reading a key the map lacks leaves it there, unset: not a value.
        const QVariant stored = value(key);
        if (stored.isValid())
            result.insert(key, stored);
    }
    return result;
}

void TessivarPropertyMap::removeValue(const QString& key)
{
    if (!contains(key) || !value(key).isValid())
        return;
    // The key stays, unset, as QQmlPropertyMap::clear() leaves it.
    if (m_forQml)
        clear(key);
    else
        m_plain.insert(key, QVariant());
    Q_EMIT valueChanged(key, QVariant());
}

void TessivarPropertyMap::loadVariantMap(const QVariantMap& values)
{
    if (!m_forQml) {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            setValue(it.key(), it.value());
        return;
    }
    // Keys the map lacks are added together: each key added alone rebuilds the map's
    // meta-object.
    QVariantMap added;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!contains(it.key()) && isAllowedKey(it.key()))
            added.insert(it.key(), it.value());
    }
    insertForQml(added);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (added.contains(it.key()))
            Q_EMIT valueChanged(it.key(), it.value());
        else
            setValue(it.key(), it.value());
    }
}

QQmlPropertyMap* TessivarPropertyMap::forQml()
{
    if (!m_forQml) {
        m_forQml = true;
        insertForQml(m_plain);
        m_plain.clear();
    }
    return this;
}

void TessivarPropertyMap::insertForQml(const QVariantMap& values)
{
    if (values.size() == 1)
        insert(values.firstKey(), values.first());
    else if (!values.isEmpty())
        insert(QVariantHash(values.cbegin(), values.cend()));
}
