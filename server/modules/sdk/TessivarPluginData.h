#pragma once

#include "TessivarPluginGlobal.h"

#include "TessivarModuleDataInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class TessivarModuleInfoList;

// What the server and its user interface read of a plugin: identity, description,
// icon, state, its modules and its data classes. Owned by its TessivarPlugin.
class TESSIVARPLUGIN_EXPORT TessivarPluginData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString description READ description NOTIFY infoChanged)
    Q_PROPERTY(QUrl icon READ icon NOTIFY infoChanged)
    Q_PROPERTY(bool valid READ isValid NOTIFY infoChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY infoChanged)
    Q_PROPERTY(QString version READ version NOTIFY infoChanged)
    Q_PROPERTY(QString author READ author NOTIFY infoChanged)
    // Where the server found the plugin; set by the server, not by the plugin.
    Q_PROPERTY(QString folder READ folder NOTIFY infoChanged)
    Q_PROPERTY(QList<QObject*> modules READ modules NOTIFY modulesChanged)

public:
    TessivarPluginData(const QString& id, const QString& name);
    ~TessivarPluginData() override;

    QString id() const { return m_id; }
    QString name() const { return m_name; }
    QString description() const { return m_description; }
    QUrl icon() const { return m_icon; }
    bool isValid() const { return m_valid; }
    bool isVisible() const { return m_visible; }
    QString version() const { return m_version; }
    QString author() const { return m_author; }
    QString folder() const { return m_folder; }

    void setDescription(const QString& description);
    void setIcon(const QUrl& icon);
    void setValid(bool valid);
    void setVisible(bool visible);
    void setVersion(const QString& version);
    void setAuthor(const QString& author);
    void setFolder(const QString& folder);

    // The modules in registration order (a child of this object).
    TessivarModuleInfoList* moduleInfoList() const { return m_moduleInfoList; }
    QList<QObject*> modules() const;

    // The data classes in registration order.
    const QList<TessivarModuleDataInfo>& moduleDataInfoList() const { return m_moduleDataInfoList; }
    void appendModuleDataInfo(const TessivarModuleDataInfo& info);

Q_SIGNALS:
    void infoChanged();
    void modulesChanged();

private:
    const QString m_id;
    const QString m_name;
    QString m_description;
    QUrl m_icon;
    bool m_valid = false;
    bool m_visible = false;
    QString m_version;
    QString m_author;
    QString m_folder;
    TessivarModuleInfoList* m_moduleInfoList;
    QList<TessivarModuleDataInfo> m_moduleDataInfoList;
};
