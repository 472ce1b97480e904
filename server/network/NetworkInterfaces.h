#pragma once

#include "network/NetworkInterfaceModel.h"

#include <QAbstractListModel>
#include <QList>
#include <QNetworkInterface>

#include <functional>

namespace tessivar::network {

// The PC's network interfaces, loopback aside, one row each, kept by hardware address:
// a row is updated in place while its adapter is listed and removed when it goes.
// Every role of a row gives its NetworkInterfaceModel (QML: display.InterfaceName).
class NetworkInterfaces : public QAbstractListModel
{
    Q_OBJECT

public:
    using InterfaceSource = std::function<QList<QNetworkInterface>()>;

    // Lists QNetworkInterface::allInterfaces() unless given another source.
    explicit NetworkInterfaces(QObject* parent = nullptr);
    explicit NetworkInterfaces(InterfaceSource source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    Q_INVOKABLE void updateInterfaces();

    NetworkInterfaceModel* at(int row) const;

private:
    int rowOf(const QString& hardwareAddress) const;
    void appendRow(const QNetworkInterface& networkInterface);
    void removeRow(int row);

    InterfaceSource m_source;
    QList<NetworkInterfaceModel*> m_rows;
};

} // namespace tessivar::network

Q_DECLARE_METATYPE(tessivar::network::NetworkInterfaces*)
