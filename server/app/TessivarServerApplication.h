#pragma once

// Adding a flow: write it as a class of its own in server/app, named after the flow,
// that takes references to the parts it needs (never this object's internals). The
// application object owns it (one std::unique_ptr member), constructs it in
// createFlows(), connects it in connectFlows() (its message handlers and signals; what
// needs the loaded window, in onMainWindowLoaded) and forwards to it the documented
// slots that QML and the tests reach.

#include "app/AbstractApplication.h"
#include "app/BlockCreationFlow.h"
#include "app/TimerIncubationController.h"
#include "app/TrayAndWindows.h"
#include "core/BlockCreationStatus.h"
#include "device/DeleteLater.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"
#include "platform/Firewall.h"
#include "ui/ErrorAction.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSystemTrayIcon>
#include <QVersionNumber>

#include <chrono>
#include <functional>
#include <memory>

class QMenu;
class QQuickWindow;

namespace tessivar {

class BlockCreationFlow;
class BlockSyncFlow;
class DashboardFlow;
class ErrorHandler;
class FileTransferFlow;
class FirewallFlow;
class GreetingFlow;
class TrayAndWindows;
class UserInterfaceFlow;
class UpdateFlow;

namespace network {
class FirewallCheck;
class NetworkStatusModel;
} // namespace network

namespace ui {
class ModuleEditionWidget;
class ModuleSelectionWidget;
} // namespace ui

// The server program's central object: builds the subsystems, loads the user
// interface, and owns and wires the flows that do the work.
class TessivarServerApplication : public AbstractApplication
{
    Q_OBJECT
    // Whether the desktop has a system tray; without one the window is never hidden to it.
    Q_PROPERTY(bool systemTrayAvailable READ systemTrayAvailable NOTIFY systemTrayAvailableChanged)

public:
    struct Options {
        bool minimized = false;      // "--minimized": the main window stays hidden
        int splashHideDelayMs = 500; // the splash stays this long after the window loaded
        // The greeting timers and the first check of the loaded blocks; tests shorten them.
        std::chrono::milliseconds helloInterval{5000};
        std::chrono::milliseconds pingInterval{2000};
        std::chrono::milliseconds wakeUpInterval{1000};
        std::chrono::milliseconds checkLoadedSourcesDelay{2000};
        // A firewall tool that does not answer in this time reads as "unknown".
        std::chrono::milliseconds firewallToolTimeout{15000};
        platform::FirewallReadOptions firewallReadOptions;
        // Called once the QML types are loaded, before the first window is made (the
        // program waits there for its fonts).
        std::function<void()> beforeWindowsCreated;
    };

    static Options optionsFromArguments(const QStringList& arguments);

    explicit TessivarServerApplication(const QStringList& arguments,
                                       Configuration& configuration = Configuration::instance(),
                                       QObject* parent = nullptr);
    TessivarServerApplication(const Options& options, Configuration& configuration, QObject* parent = nullptr);
    ~TessivarServerApplication() override;

    // False when the main QML component could not be created; the program then ends with 1.
    bool isValid() const { return m_valid; }

    QQmlEngine& engine() { return m_engine; }
    QQuickWindow* mainWindow() const { return m_trayAndWindows->mainWindow(); }
    QQuickWindow* splashWindow() const { return m_trayAndWindows->splashWindow(); }
    QSystemTrayIcon& trayIcon() { return m_trayAndWindows->trayIcon(); }
    QMenu* trayMenu() const { return m_trayAndWindows->trayMenu(); }
    bool parametersValid() const { return m_parametersValid; }
    bool systemTrayAvailable() const { return m_trayAndWindows->trayAvailable(); }
    // Tests play a desktop with or without a tray.
    void setSystemTrayAvailable(bool available) { m_trayAndWindows->setTrayAvailable(available); }
    // Exists once the main window has loaded.
    ErrorHandler* errorHandler() const { return m_errorHandler.get(); }
    ModuleList& moduleList() { return m_moduleList; }
    PluginManager& pluginManager() { return m_pluginManager; }
    ModuleSource* moduleBeingCreated() const { return m_blockCreationFlow->moduleBeingCreated(); }
    ui::ModuleSelectionWidget* moduleSelectionWidget() const { return m_blockCreationFlow->moduleSelectionWidget(); }
    ui::ModuleEditionWidget* moduleEditionWidget() const { return m_blockCreationFlow->moduleEditionWidget(); }
    FileTransferFlow& fileTransferFlow() { return *m_fileTransferFlow; }
    DashboardFlow& dashboardFlow() { return *m_dashboardFlow; }

    Q_INVOKABLE void requestDashboardExport(NetworkDeviceId_t deviceId);
    Q_INVOKABLE void requestDashboardImport(NetworkDeviceId_t deviceId);
    UpdateFlow& updateFlow() { return *m_updateFlow; }
    network::NetworkStatusModel* networkStatus() const { return m_networkStatus.get(); }

    // Whether the firewall lets the server's traffic in; the helper adds the exception.
    Q_INVOKABLE bool applicationHasFirewallException();
    Q_INVOKABLE void addApplicationFirewallException();

Q_SIGNALS:
    void firewallInformationRequested();
    void pluginInformationRequested(const QString& pluginId);
    void moduleInformationRequested(const QString& pluginId, const QString& moduleId);
    // Emitted at the end of onMainWindowLoaded, once the server runs.
    void applicationReady();
    void systemTrayAvailableChanged();

public Q_SLOTS:
    void onDeviceDisconnected(const NetworkDeviceId_t& deviceId) override;
    void onNetworkError(QString errorDescription) override;
    void onBlockListReceived(QList<BlockId_t> deviceBlocks, NetworkDeviceId_t deviceId) override;
    void onDeviceRegistered(NetworkDeviceId_t deviceId, QString deviceName, QVersionNumber deviceSoftwareversion,
                            QList<ModuleDataClassInfo_t> dataClassInfoList) override;
    void handleBlockCreationResponse(NetworkDeviceId_t deviceId, BlockCreationStatus_e status, BlockId_t blockId,
                                     BlockCreationRequestId_t requestId);
    void onMainWindowLoaded();
    void checkLoadedSources();
    void wakeUpDevices();
    void createNewModule();
    void modifyNewModule(PluginId_t pluginId, ModuleId_t moduleId);
    void modifyExistingModule(ModuleSource* module);
    void acceptNewModuleModification(NetworkDeviceId_t selectedDevice);
    void cancelNewModuleModification();
    void acceptExistingModuleModification();
    void cancelExistingModuleModification();
    void cancelNewModuleEdition();
    void cancelNewModuleSelection();
    void raiseMainWindow();
    void closeWindow();
    void minimizeWindow();
    void notifyTrayMinimized();
    void handleTrayIconActivated(QSystemTrayIcon::ActivationReason activationReason);
    void notifyTrayUpdateAvailable(QVersionNumber availableVersion);
    void handleTrayMessageClickMinimized();
    void handleTrayMessageClickUpdate();
    void handleTrayExitClicked();
    // The device list's requests for a device's logs and settings.
    void requestDeviceLogs(NetworkDeviceId_t deviceId);
    void requestDeviceSettings(NetworkDeviceId_t deviceId);

private:
    void createFlows();
    void connectFlows(communication::MessageHandler& messageHandler);
    void createErrorHandler();
    void onSettingsErrorAction(ui::ErrorAction_e action);
    void setRootContextProperties();
    void createMainComponent();
    void checkSoftwareVersion();

    Options m_options;
    ModuleList m_moduleList;
    QQmlEngine m_engine;
    TimerIncubationController m_incubationController;
    QQmlComponent m_mainComponent;
    std::unique_ptr<QObject> m_mainObject;
    std::unique_ptr<ErrorHandler> m_errorHandler;
    PluginManager m_pluginManager;
    // The flows, each over the parts above.
    std::unique_ptr<TrayAndWindows> m_trayAndWindows;
    std::unique_ptr<GreetingFlow> m_greetingFlow;
    std::unique_ptr<BlockSyncFlow> m_blockSyncFlow;
    std::unique_ptr<BlockCreationFlow> m_blockCreationFlow;
    std::unique_ptr<UserInterfaceFlow> m_userInterfaceFlow;
    std::unique_ptr<FileTransferFlow> m_fileTransferFlow;
    std::unique_ptr<DashboardFlow> m_dashboardFlow;
    std::unique_ptr<network::FirewallCheck> m_firewallCheck;
    std::unique_ptr<FirewallFlow> m_firewallFlow;
    std::unique_ptr<UpdateFlow> m_updateFlow;
    // QML may still hold it while the application goes.
    device::DeleteLaterPtr<network::NetworkStatusModel> m_networkStatus;
    bool m_parametersValid = true;
    bool m_mainWindowLoaded = false;
    bool m_valid = false;
};

} // namespace tessivar
