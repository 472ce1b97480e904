#include "TessivarPluginData.h"

#include "TessivarModuleInfoList.h"

TessivarPluginData::TessivarPluginData(const QString& id, const QString& name)
    : m_id(id)
    , m_name(name)
    , m_moduleInfoList(new TessivarModuleInfoList(this))
{
    connect(m_moduleInfoList, &TessivarModuleInfoList::modulesChanged, this, &TessivarPluginData::modulesChanged);
}

TessivarPluginData::~TessivarPluginData() = default;

namespace {

template<typename T> bool assignChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void TessivarPluginData::setVersion(const QString& version)
{
    if (assignChanged(m_version, version))
        Q_EMIT infoChanged();
}

void TessivarPluginData::setAuthor(const QString& author)
{
    if (assignChanged(m_author, author))
        Q_EMIT infoChanged();
}

void TessivarPluginData::setFolder(const QString& folder)
{
    if (assignChanged(m_folder, folder))
        Q_EMIT infoChanged();
}

void TessivarPluginData::setDescription(const QString& description)
{
    if (m_description == description)
        return;
    m_description = description;
    Q_EMIT infoChanged();
}

void TessivarPluginData::setIcon(const QUrl& icon)
{
    if (m_icon == icon)
        return;
    m_icon = icon;
    Q_EMIT infoChanged();
}

void TessivarPluginData::setValid(bool valid)
{
    if (m_valid == valid)
        return;
    m_valid = valid;
    Q_EMIT infoChanged();
}

void TessivarPluginData::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    Q_EMIT infoChanged();
}

QList<QObject*> TessivarPluginData::modules() const
{
    return m_moduleInfoList->modules();
}

void TessivarPluginData::appendModuleDataInfo(const TessivarModuleDataInfo& info)
{
    m_moduleDataInfoList.append(info);
}
