#pragma once

#include "TessivarPluginGlobal.h"

#include <QList>
#include <QString>
#include <QUrl>

// A data class: how a block of a module is shown on a device and edited on the
// server, and which files a device needs to show it. Plain value; the plugin hands a
// copy to TessivarPlugin::registerModuleDataClass.
class TESSIVARPLUGIN_EXPORT TessivarModuleDataInfo
{
public:
    // A file that the device downloads: where the server reads it (a "qrc:/" URL or
    // a local file URL) and the name under which the device stores it.
    struct ClientFile {
        QUrl url;
        QString name;
    };

    explicit TessivarModuleDataInfo(const QString& id);

    QString getId() const { return m_id; }

    // The QML file that the device loads to display the block.
    void setClientDataDisplayWidgetPath(const QUrl& path) { m_clientDataDisplayWidgetPath = path; }
    QUrl getClientDataDisplayWidgetPath() const { return m_clientDataDisplayWidgetPath; }

    // The QML file that the server's editor loads to edit the block's parameters.
    void setParameterEditionWidgetPath(const QUrl& path) { m_parameterEditionWidgetPath = path; }
    QUrl getParameterEditionWidgetPath() const { return m_parameterEditionWidgetPath; }

    // Further files beside the display widget (images, QML components).
    void addClientFile(const QUrl& url, const QString& name);
    const QList<ClientFile>& getClientFiles() const { return m_clientFiles; }

private:
    QString m_id;
    QUrl m_clientDataDisplayWidgetPath;
    QUrl m_parameterEditionWidgetPath;
    QList<ClientFile> m_clientFiles;
};
