#pragma once

#include "TessivarPluginGlobal.h"

#include <QQmlPropertyMap>
#include <QVariantMap>

// A map of named values that QML reads and writes by key (`map.Key`), used for a
// module's local parameters, client parameters and client data.
//
// valueChanged(key, value) is emitted for every change, whether it comes from QML or
// from C++ through setValue() or loadVariantMap(); setting the value a key already
// holds emits nothing.
//
// The values become properties of the object only when forQml() is first called, which
// is how a map must be handed to QML. Until then they are kept in a plain map: a QML map
// builds a meta-object of its own for every batch of new keys, and most blocks are
// loaded and run without their maps ever being shown. value(), contains() and keys()
// answer from wherever the values are; QQmlPropertyMap's own (through a base pointer)
// see them only after forQml().
class TESSIVARPLUGIN_EXPORT TessivarPropertyMap : public QQmlPropertyMap
{
    Q_OBJECT

public:
    explicit TessivarPropertyMap(QObject* parent = nullptr);

    // Sets one value; an unset key reads back as an invalid QVariant. A key that names
    // a member of the map itself ("keys", "valueChanged", ...) is refused.
    void setValue(const QString& key, const QVariant& value);
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    QStringList keys() const;

    // The keys that hold a value; unset ones (an invalid QVariant) are left out.
    QVariantMap toVariantMap() const;

    // Sets every entry of the map; keys that the map lacks keep their values.
    void loadVariantMap(const QVariantMap& values);

    // Unsets the key; valueChanged(key, QVariant()) tells the module, which may stop
    // what the value had started. An absent key changes nothing.
    void removeValue(const QString& key);

    // This map with its values as properties, for QML; it stays so from then on.
    QQmlPropertyMap* forQml();

private:
    void insertForQml(const QVariantMap& values);

    bool m_forQml = false;
    QVariantMap m_plain;
};
