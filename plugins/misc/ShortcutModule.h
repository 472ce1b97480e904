#pragma once

#include "ShortcutModuleData.h"
#include "TessivarModuleInstance.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

// A shortcut block: a press on the device starts a program on the PC. The chosen icon
// image's directory is watched so that edits of the image reach the device.
class ShortcutModule : public QObject, public TessivarModuleInstance
{
    Q_OBJECT

public:
    ShortcutModule();
    void processData(const QVariantMap& data) override;

    // The program and arguments a press starts, after the argument rules and the
    // resolution of shortcut files.
    struct Launch {
        QString program;
        QStringList arguments;
    };
    Launch launchFor() const;

    QStringList watchedDirectories() const { return m_watcher.directories(); }

private:
    void onSelectedIconChanged(const QUrl& url);
    void onDirectoryChanged();
    void updateIcon(const QUrl& url);

    ShortcutModuleData m_data;
    QFileSystemWatcher m_watcher;
};
