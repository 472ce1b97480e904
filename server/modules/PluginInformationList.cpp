#include "modules/PluginInformationList.h"

#include "modules/sdk/TessivarPluginData.h"

PluginInformationList::PluginInformationList(QObject* parent)
    : QAbstractListModel(parent)
{
}

int PluginInformationList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_plugins.size());
}

QVariant PluginInformationList::data(const QModelIndex& index, int) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_plugins.size())
        return {};
    return QVariant::fromValue(m_plugins.at(index.row()));
}

TessivarPluginData* PluginInformationList::get(int index) const
{
    if (index < 0 || index >= m_plugins.size())
        return nullptr;
    return m_plugins.at(index);
}

void PluginInformationList::Add(TessivarPluginData* plugin)
{
    const int row = int(m_plugins.size());
    beginInsertRows(QModelIndex(), row, row);
    m_plugins.append(plugin);
    endInsertRows();
    connect(plugin, &QObject::destroyed, this, &PluginInformationList::onPluginDestroyed);
}

void PluginInformationList::onPluginDestroyed(QObject* plugin)
{
    // The object is half destroyed: compare addresses only.
    for (qsizetype row = 0; row < m_plugins.size(); ++row) {
        if (static_cast<QObject*>(m_plugins.at(row)) != plugin)
            continue;
        beginRemoveRows(QModelIndex(), int(row), int(row));
        m_plugins.removeAt(row);
        endRemoveRows();
        return;
    }
}
