#pragma once

#include "TessivarPluginGlobal.h"

#include <QObject>
#include <QString>
#include <QUrl>

// What the user interface shows of one module: its identity, description, icon and
// whether it can be used. Owned by the module's TessivarModuleInfo.
class TESSIVARPLUGIN_EXPORT TessivarModuleInfoData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString description READ description NOTIFY infoChanged)
    Q_PROPERTY(QUrl icon READ icon NOTIFY infoChanged)
    Q_PROPERTY(bool valid READ isValid NOTIFY infoChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY infoChanged)

public:
    TessivarModuleInfoData(const QString& id, const QString& name, QObject* parent = nullptr);

    QString id() const { return m_id; }
    QString name() const { return m_name; }
    QString description() const { return m_description; }
    QUrl icon() const { return m_icon; }
    bool isValid() const { return m_valid; }
    bool isVisible() const { return m_visible; }

    void setDescription(const QString& description);
    void setIcon(const QUrl& icon);
    void setValid(bool valid);
    void setVisible(bool visible);

Q_SIGNALS:
    void infoChanged();

private:
    const QString m_id;
    const QString m_name;
    QString m_description;
    QUrl m_icon;
    bool m_valid = false;
    bool m_visible = false;
};
