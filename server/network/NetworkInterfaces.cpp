#include "network/NetworkInterfaces.h"

#include <QSet>

namespace tessivar::network {

NetworkInterfaces::NetworkInterfaces(QObject* parent)
    : NetworkInterfaces(&QNetworkInterface::allInterfaces, parent)
{
}

NetworkInterfaces::NetworkInterfaces(InterfaceSource source, QObject* parent)
    : QAbstractListModel(parent)
    , m_source(std::move(source))
{
    qRegisterMetaType<NetworkInterfaces*>("NetworkInterfaces*");
}

int NetworkInterfaces::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant NetworkInterfaces::data(const QModelIndex& index, int /*role*/) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return {};
    return QVariant::fromValue(m_rows[index.row()]);
}

NetworkInterfaceModel* NetworkInterfaces::at(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row] : nullptr;
}

void NetworkInterfaces::updateInterfaces()
{
    const QList<QNetworkInterface> interfaces = m_source();
    QSet<QString> listed;
    for (const QNetworkInterface& networkInterface : interfaces) {
        const QString hardwareAddress = networkInterface.hardwareAddress();
        listed.insert(hardwareAddress);
        const int row = rowOf(hardwareAddress);
        if (row >= 0)
            m_rows[row]->setInterface(networkInterface);
        else if (networkInterface.type() != QNetworkInterface::Loopback)
            appendRow(networkInterface);
    }
    QStringList vanished;
    for (const NetworkInterfaceModel* model : std::as_const(m_rows)) {
        const QString hardwareAddress = model->networkInterface().hardwareAddress();
        if (!listed.contains(hardwareAddress))
            vanished.append(hardwareAddress);
    }
    for (const QString& hardwareAddress : std::as_const(vanished))
        removeRow(rowOf(hardwareAddress));
}

int NetworkInterfaces::rowOf(const QString& hardwareAddress) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row]->networkInterface().hardwareAddress() == hardwareAddress)
            return row;
    }
    return -1;
}

void NetworkInterfaces::appendRow(const QNetworkInterface& networkInterface)
{
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(new NetworkInterfaceModel(networkInterface, this));
    endInsertRows();
}

void NetworkInterfaces::removeRow(int row)
{
    if (row < 0)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    NetworkInterfaceModel* model = m_rows.takeAt(row);
    endRemoveRows();
    // QML may still hold the row's object until it has dropped its delegate.
    model->deleteLater();
}

} // namespace tessivar::network
