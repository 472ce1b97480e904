#pragma once

#include <QAbstractListModel>
#include <QString>

namespace tessivar::client {

// The servers heard announcing themselves, one row per address, as the list to choose from.
class ServerListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
public:
    // A network holds a few servers; more announcing ones are not listed.
    static constexpr int kMaximumServers = 64;

    enum Role { NameRole = Qt::UserRole + 1, AddressRole, PortRole };

    explicit ServerListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // A new row, or the name of a known address brought up to date.
    void heard(const QString& name, const QString& address, quint16 port);

Q_SIGNALS:
    void countChanged();

private:
    struct Server {
        QString name;
        QString address;
        quint16 port = 0;
    };
    QList<Server> m_servers;
};

} // namespace tessivar::client
