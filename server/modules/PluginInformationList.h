#pragma once

#include <QAbstractListModel>
#include <QList>

class TessivarPluginData;

// The loaded plugins for the user interface, one row each, in load order. Every role
// of a row gives the plugin's data object; QML reads its properties.
class PluginInformationList : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit PluginInformationList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Null for an index outside the list.
    Q_INVOKABLE TessivarPluginData* get(int index) const;

    // Appends a row; the row goes away when the data object is destroyed.
    void Add(TessivarPluginData* plugin);

private:
    void onPluginDestroyed(QObject* plugin);

    QList<TessivarPluginData*> m_plugins;
};
