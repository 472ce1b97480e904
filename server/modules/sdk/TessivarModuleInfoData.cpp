#include "TessivarModuleInfoData.h"

TessivarModuleInfoData::TessivarModuleInfoData(const QString& id, const QString& name, QObject* parent)
    : QObject(parent)
    , m_id(id)
    , m_name(name)
{
}

void TessivarModuleInfoData::setDescription(const QString& description)
{
    if (m_description == description)
        return;
    m_description = description;
    Q_EMIT infoChanged();
}

void TessivarModuleInfoData::setIcon(const QUrl& icon)
{
    if (m_icon == icon)
        return;
    m_icon = icon;
    Q_EMIT infoChanged();
}

void TessivarModuleInfoData::setValid(bool valid)
{
    if (m_valid == valid)
        return;
    m_valid = valid;
    Q_EMIT infoChanged();
}

void TessivarModuleInfoData::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    Q_EMIT infoChanged();
}
