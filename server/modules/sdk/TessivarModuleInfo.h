#pragma once

#include "TessivarPluginGlobal.h"

#include <QObject>
#include <QString>
#include <QUrl>

class TessivarModuleInfoData;

// Describes one module that a plugin offers. The plugin keeps the object alive for
// its whole life and hands its address to TessivarPlugin::registerModuleClass.
// A module that is not valid cannot be placed; one that is not visible is not offered.
class TESSIVARPLUGIN_EXPORT TessivarModuleInfo : public QObject
{
    Q_OBJECT

public:
    TessivarModuleInfo(const QString& id, const QString& name);
    ~TessivarModuleInfo() override;

    void setDescription(const QString& description);
    void setIcon(const QUrl& icon);
    void setValid(bool valid);
    void setVisible(bool visible);

    QString id() const;
    QString name() const;

    // The object the user interface reads (a child of this one).
    TessivarModuleInfoData* data() const { return m_data; }

private:
    TessivarModuleInfoData* m_data;
};
