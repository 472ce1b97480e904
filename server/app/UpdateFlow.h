#pragma once

#include "update/SoftwareUpdateManager.h"

#include <QObject>
#include <QVersionNumber>

class QSystemTrayIcon;

namespace tessivar {

class Configuration;

// The software update as the user meets it: checking starts once the main window has
// loaded, a newer version is announced by a tray message, and a click on that message
// opens the download page.
class UpdateFlow : public QObject
{
    Q_OBJECT

public:
    explicit UpdateFlow(Configuration& configuration, QObject* parent = nullptr);

    update::SoftwareUpdateManager& updateManager();

    // Checks at once, then hourly, until a newer version is announced.
    void start();

    // The tray message of a newer version; its click is routed by the caller.
    void showAnnouncement(QSystemTrayIcon& trayIcon, const QVersionNumber& availableVersion);
    void openDownloadPage();

    static constexpr int kAnnouncementDurationMs = 10000;

private:
    update::SoftwareUpdateManager m_updateManager;
};

} // namespace tessivar
