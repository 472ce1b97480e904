#include "app/TessivarServerApplication.h"

#include "app/BlockCreationFlow.h"
#include "app/BlockSyncFlow.h"
#include "app/DashboardFlow.h"
#include "app/FileTransferFlow.h"
#include "app/FirewallFlow.h"
#include "app/GreetingFlow.h"
#include "app/TrayAndWindows.h"
#include "app/UpdateFlow.h"

#include <QTimer>

// The application object's documented slots (what QML, the tray and the message
// handlers call), each handed to the flow that does the work.

namespace tessivar {

void TessivarServerApplication::onDeviceRegistered(NetworkDeviceId_t deviceId, QString, QVersionNumber,
                                                   QList<ModuleDataClassInfo_t> dataClassInfoList)
{
    m_greetingFlow->checkDataClasses(dataClassInfoList);
    m_blockSyncFlow->onDeviceRegistered(deviceId);
}

void TessivarServerApplication::onBlockListReceived(QList<BlockId_t> deviceBlocks, NetworkDeviceId_t deviceId)
{
    m_blockSyncFlow->onBlockListReceived(deviceBlocks, deviceId);
}
void TessivarServerApplication::onDeviceDisconnected(const NetworkDeviceId_t& deviceId)
{
    m_fileTransferFlow->onDeviceDisconnected(deviceId);
    m_blockSyncFlow->onDeviceDisconnected(deviceId);
}
void TessivarServerApplication::checkLoadedSources()
{
    m_blockSyncFlow->checkLoadedSources();
}
void TessivarServerApplication::wakeUpDevices()
{
    m_greetingFlow->wakeUpDevices();
}
void TessivarServerApplication::handleBlockCreationResponse(NetworkDeviceId_t deviceId, BlockCreationStatus_e status,
                                                            BlockId_t blockId, BlockCreationRequestId_t requestId)
{
    m_blockCreationFlow->handleBlockCreationResponse(deviceId, status, blockId, requestId);
}
void TessivarServerApplication::createNewModule()
{
    m_blockCreationFlow->createNewModule();
}
void TessivarServerApplication::modifyNewModule(PluginId_t pluginId, ModuleId_t moduleId)
{
    m_blockCreationFlow->modifyNewModule(pluginId, moduleId);
}
void TessivarServerApplication::modifyExistingModule(ModuleSource* module)
{
    m_blockCreationFlow->modifyExistingModule(module);
}
void TessivarServerApplication::acceptNewModuleModification(NetworkDeviceId_t selectedDevice)
{
    m_blockCreationFlow->acceptNewModuleModification(selectedDevice);
}
void TessivarServerApplication::cancelNewModuleModification()
{
    m_blockCreationFlow->cancelNewModuleModification();
}
void TessivarServerApplication::acceptExistingModuleModification()
{
    m_blockCreationFlow->acceptExistingModuleModification();
}
void TessivarServerApplication::cancelExistingModuleModification()
{
    m_blockCreationFlow->cancelExistingModuleModification();
}
void TessivarServerApplication::cancelNewModuleEdition()
{
    m_blockCreationFlow->cancelNewModuleModification();
}
void TessivarServerApplication::cancelNewModuleSelection()
{
    m_blockCreationFlow->cancelNewModuleSelection();
}
void TessivarServerApplication::raiseMainWindow()
{
    m_trayAndWindows->raiseMainWindow();
}
void TessivarServerApplication::closeWindow()
{
    m_trayAndWindows->closeWindow();
}
void TessivarServerApplication::minimizeWindow()
{
    m_trayAndWindows->minimizeWindow();
}
void TessivarServerApplication::notifyTrayMinimized()
{
    m_trayAndWindows->notifyTrayMinimized();
}
void TessivarServerApplication::handleTrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    m_trayAndWindows->handleTrayIconActivated(reason);
}
void TessivarServerApplication::handleTrayMessageClickMinimized()
{
    m_trayAndWindows->handleTrayMessageClickMinimized();
}
void TessivarServerApplication::handleTrayExitClicked()
{
    m_trayAndWindows->handleTrayExitClicked();
}
void TessivarServerApplication::requestDeviceLogs(NetworkDeviceId_t deviceId)
{
    m_fileTransferFlow->requestLogs(deviceId);
}
void TessivarServerApplication::requestDeviceSettings(NetworkDeviceId_t deviceId)
{
    m_fileTransferFlow->requestSettings(deviceId);
}
// Both open a modal file dialog: queued, so that the click (or a screen reader's press
// action, which waits for its answer over D-Bus) returns before the dialog's own loop runs.
void TessivarServerApplication::requestDashboardExport(NetworkDeviceId_t deviceId)
{
    QTimer::singleShot(0, this, [this, deviceId] { m_dashboardFlow->requestDashboardExport(deviceId); });
}
void TessivarServerApplication::requestDashboardImport(NetworkDeviceId_t deviceId)
{
    QTimer::singleShot(0, this, [this, deviceId] { m_dashboardFlow->requestDashboardImport(deviceId); });
}

void TessivarServerApplication::notifyTrayUpdateAvailable(QVersionNumber availableVersion)
{
    m_trayAndWindows->routeTrayMessageClick([this] { handleTrayMessageClickUpdate(); });
    m_updateFlow->showAnnouncement(trayIcon(), availableVersion);
}
void TessivarServerApplication::handleTrayMessageClickUpdate()
{
    m_updateFlow->openDownloadPage();
}

bool TessivarServerApplication::applicationHasFirewallException()
{
    return m_firewallFlow->applicationHasFirewallException();
}
void TessivarServerApplication::addApplicationFirewallException()
{
    m_firewallFlow->addApplicationFirewallException();
}

} // namespace tessivar
