#include "TessivarModuleInfo.h"

#include "TessivarModuleInfoData.h"

TessivarModuleInfo::TessivarModuleInfo(const QString& id, const QString& name)
    : m_data(new TessivarModuleInfoData(id, name, this))
{
}

TessivarModuleInfo::~TessivarModuleInfo() = default;

void TessivarModuleInfo::setDescription(const QString& description)
{
    m_data->setDescription(description);
}

void TessivarModuleInfo::setIcon(const QUrl& icon)
{
    m_data->setIcon(icon);
}

void TessivarModuleInfo::setValid(bool valid)
{
    m_data->setValid(valid);
}

void TessivarModuleInfo::setVisible(bool visible)
{
    m_data->setVisible(visible);
}

QString TessivarModuleInfo::id() const
{
    return m_data->id();
}

QString TessivarModuleInfo::name() const
{
    return m_data->name();
}
