#include "ServerListModel.h"

namespace tessivar::client {

ServerListModel::ServerListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

int ServerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_servers.size());
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Server& server = m_servers[index.row()];
    switch (role) {
    case NameRole:
        return server.name;
    case AddressRole:
        return server.address;
    case PortRole:
        return server.port;
    default:
        return {};
    }
}

QHash<int, QByteArray> ServerListModel::roleNames() const
{
    return {{NameRole, "name"}, {AddressRole, "address"}, {PortRole, "port"}};
}

void ServerListModel::heard(const QString& name, const QString& address, quint16 port)
{
    // Names are shown in one row: a long one is the sender's mistake.
    const QString shown = name.left(128);
    for (int row = 0; row < m_servers.size(); ++row) {
        if (m_servers[row].address != address || m_servers[row].port != port)
            continue;
        if (m_servers[row].name != shown) {
            m_servers[row].name = shown;
            Q_EMIT dataChanged(index(row), index(row), {NameRole});
        }
        return;
    }
    if (m_servers.size() >= kMaximumServers)
        return;
    beginInsertRows(QModelIndex(), rowCount(), rowCount());
    m_servers.append({shown, address, port});
    endInsertRows();
    Q_EMIT countChanged();
}

} // namespace tessivar::client
