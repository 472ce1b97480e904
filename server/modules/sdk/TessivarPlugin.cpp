#include "TessivarPlugin.h"

#include "TessivarModuleDataInfo.h"
#include "TessivarModuleInfoList.h"
#include "TessivarPluginData.h"

TessivarPlugin::TessivarPlugin(const QString& id, const QString& name)
    : m_data(std::make_unique<TessivarPluginData>(id, name))
{
}

TessivarPlugin::~TessivarPlugin() = default;

TessivarModuleInstance* TessivarPlugin::createModuleInstance(const QString&)
{
    return nullptr;
}

void TessivarPlugin::setVersion(const QString& version)
{
    m_data->setVersion(version);
}

void TessivarPlugin::setAuthor(const QString& author)
{
    m_data->setAuthor(author);
}

void TessivarPlugin::setDescription(const QString& description)
{
    m_data->setDescription(description);
}

void TessivarPlugin::setIcon(const QUrl& icon)
{
    m_data->setIcon(icon);
}

void TessivarPlugin::setValid(bool valid)
{
    m_data->setValid(valid);
}

void TessivarPlugin::setVisible(bool visible)
{
    m_data->setVisible(visible);
}

void TessivarPlugin::registerModuleClass(TessivarModuleInfo* info)
{
    m_data->moduleInfoList()->append(info);
}

void TessivarPlugin::registerModuleDataClass(const TessivarModuleDataInfo& info)
{
    m_data->appendModuleDataInfo(info);
}

QString TessivarPlugin::id() const
{
    return m_data->id();
}

QString TessivarPlugin::name() const
{
    return m_data->name();
}
