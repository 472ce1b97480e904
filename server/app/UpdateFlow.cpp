#include "app/UpdateFlow.h"

#include <QSystemTrayIcon>

namespace tessivar {

UpdateFlow::UpdateFlow(Configuration& configuration, QObject* parent)
    : QObject(parent)
    , m_updateManager(configuration)
{
}

update::SoftwareUpdateManager& UpdateFlow::updateManager()
{
    return m_updateManager;
}

void UpdateFlow::start()
{
    m_updateManager.Start();
}

void UpdateFlow::showAnnouncement(QSystemTrayIcon& trayIcon, const QVersionNumber& availableVersion)
{
    trayIcon.showMessage(tr("Tessivar version %1 is available.").arg(availableVersion.toString()),
                         tr("Click to download the new version"), QSystemTrayIcon::Information,
                         kAnnouncementDurationMs);
}

void UpdateFlow::openDownloadPage()
{
    m_updateManager.OpenDownloadPage();
}

} // namespace tessivar
