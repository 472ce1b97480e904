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
class TESSIVARPLUGIN_EXPORT TessivarPropertyMap : public QQmlPropertyMap
{
    Q_OBJECT

public:
    explicit TessivarPropertyMap(QObject* parent = nullptr);

    // Sets one value; an unset key reads back as an invalid QVariant.
    void setValue(const QString& key, const QVariant& value);

    // The keys that hold a value; unset ones (an invalid QVariant) are left out.
    QVariantMap toVariantMap() const;

    // Sets every entry of the map; keys that the map lacks keep their values.
    void loadVariantMap(const QVariantMap& values);

    // Unsets the key; valueChanged(key, QVariant()) tells the module, which may stop
    // what the value had started. An absent key changes nothing.
    void removeValue(const QString& key);
};
