#include "TessivarModuleInstanceData.h"

#include "TessivarPropertyMap.h"

#include <QQmlPropertyMap>

TessivarModuleInstanceData::TessivarModuleInstanceData(const QString& classId)
    : m_classId(classId)
    , m_localParameters(std::make_unique<TessivarPropertyMap>())
    , m_clientParameters(std::make_unique<TessivarPropertyMap>())
    , m_clientData(std::make_unique<TessivarPropertyMap>())
{
    // Connected first, so that the module sees a change before the server stores it.
    QObject::connect(m_localParameters.get(), &TessivarPropertyMap::valueChanged, m_localParameters.get(),
                     [this](const QString& key, const QVariant& value) {
                         if (m_localParameterChangeCallback)
                             m_localParameterChangeCallback(key, value);
                     });
}

TessivarModuleInstanceData::~TessivarModuleInstanceData() = default;

QString TessivarModuleInstanceData::getLocalTitle() const
{
    return getLocalParameter(kLocalTitleKey).toString();
}

void TessivarModuleInstanceData::setLocalTitle(const QString& title)
{
    setLocalParameter(kLocalTitleKey, title);
}

QVariant TessivarModuleInstanceData::getClientParameter(const QString& key) const
{
    return m_clientParameters->value(key);
}

void TessivarModuleInstanceData::setClientParameter(const QString& key, const QVariant& value)
{
    m_clientParameters->setValue(key, value);
}

QVariant TessivarModuleInstanceData::getClientData(const QString& key) const
{
    return m_clientData->value(key);
}

void TessivarModuleInstanceData::setClientData(const QString& key, const QVariant& value)
{
    m_clientData->setValue(key, value);
}

QVariant TessivarModuleInstanceData::getLocalParameter(const QString& key) const
{
    return m_localParameters->value(key);
}

void TessivarModuleInstanceData::setLocalParameter(const QString& key, const QVariant& value)
{
    m_localParameters->setValue(key, value);
}

void TessivarModuleInstanceData::setLocalParameterChangeCallback(LocalParameterChangeCallback callback)
{
    m_localParameterChangeCallback = std::move(callback);
}

void TessivarModuleInstanceData::addHelper(const QString& name, QObject* helper)
{
    if (m_helpers)
        m_helpers->insert(name, QVariant::fromValue(helper));
    else
        m_helperObjects.insert(name, QVariant::fromValue(helper));
}

QQmlPropertyMap* TessivarModuleInstanceData::helpers() const
{
    // Made for the editor only: a QML map is not free to make, and most blocks are never
    // edited.
    if (!m_helpers) {
        m_helpers = std::make_unique<QQmlPropertyMap>();
        if (!m_helperObjects.isEmpty())
            m_helpers->insert(m_helperObjects);
        m_helperObjects.clear();
    }
    return m_helpers.get();
}

void TessivarModuleInstanceData::onReload()
{
}
