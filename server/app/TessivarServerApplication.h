#pragma once

#include "app/AbstractApplication.h"
#include "app/TimerIncubationController.h"
#include "core/BlockCreationStatus.h"
#include "device/DeleteLater.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"
#include "ui/ErrorAction.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVersionNumber>

#include <chrono>
#include <memory>

class QMenu;
class QQuickWindow;

namespace tessivar {

class ErrorHandler;

namespace ui {
class ModuleEditionWidget;
class ModuleSelectionWidget;
} // namespace ui

// The server program's central object: builds the subsystems, loads the user
// interface and ties the tray, the windows and the configuration together.
class TessivarServerApplication : public AbstractApplication
{
    Q_OBJECT

public:
    struct Options {
        bool minimized = false;      // "--minimized": the main window stays hidden
        int splashHideDelayMs = 500; // the splash stays this long after the window loaded
        // The greeting timers and the first check of the loaded blocks; tests shorten them.
        std::chrono::milliseconds helloInterval{5000};
        std::chrono::milliseconds pingInterval{2000};
        std::chrono::milliseconds wakeUpInterval{1000};
        std::chrono::milliseconds checkLoadedSourcesDelay{2000};
    };

    explicit TessivarServerApplication(const QStringList& arguments,
                                       Configuration& configuration = Configuration::instance(),
                                       QObject* parent = nullptr);
    TessivarServerApplication(const Options& options, Configuration& configuration, QObject* parent = nullptr);
    ~TessivarServerApplication() override;

    // False when the main QML component could not be created; the program then ends with 1.
    bool isValid() const;

    QQmlEngine& engine();
    QQuickWindow* mainWindow() const;
    QQuickWindow* splashWindow() const;
    QSystemTrayIcon& trayIcon();
    QMenu* trayMenu() const;
    bool parametersValid() const;
    // Exists once the main window has loaded.
    ErrorHandler* errorHandler() const;
    ModuleList& moduleList();
    PluginManager& pluginManager();
    ModuleSource* moduleBeingCreated() const;
    ui::ModuleSelectionWidget* moduleSelectionWidget() const;
    ui::ModuleEditionWidget* moduleEditionWidget() const;

Q_SIGNALS:
    void firewallInformationRequested();
    void pluginInformationRequested(const QString& pluginId);
    void moduleInformationRequested(const QString& pluginId, const QString& moduleId);
    // Emitted at the end of onMainWindowLoaded, once the server runs.
    void applicationReady();

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
    void handleTrayMessageClickMinimized();
    void handleTrayExitClicked();

private:
    void registerMessageHandlers();
    void connectModuleList();
    void connectModuleWidgets();
    void loadModules();
    void dropModuleBeingCreated();
    void hideModuleWidgets();
    void onHelloReceived(const communication::MessageReception& reception);
    void registerQmlTypes();
    void registerWidgetFile(const char* module, const char* type, const QString& url);
    void createErrorHandler();
    void onSettingsErrorAction(ui::ErrorAction_e action);
    void setRootContextProperties();
    void createMainComponent();
    void findWindows();
    void buildTray();
    void fitMainWindowToScreen();
    void checkSoftwareVersion();
    void routeTrayMessageClick(void (TessivarServerApplication::*handler)());

    Options m_options;
    ModuleList m_moduleList;
    QQmlEngine m_engine;
    TimerIncubationController m_incubationController;
    QQmlComponent m_mainComponent;
    std::unique_ptr<QObject> m_mainObject;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_splashWindow;
    QSystemTrayIcon m_trayIcon;
    std::unique_ptr<QMenu> m_trayMenu;
    QMetaObject::Connection m_trayMessageRouting;
    QPointer<ui::ModuleSelectionWidget> m_moduleSelectionWidget;
    QPointer<ui::ModuleEditionWidget> m_moduleEditionWidget;
    std::unique_ptr<ErrorHandler> m_errorHandler;
    PluginManager m_pluginManager;
    QTimer m_wakeUpTimer;
    // The block the user is configuring, not yet placed on a device. QML may still
    // hold it when it is dropped.
    device::DeleteLaterPtr<ModuleSource> m_moduleBeingCreated;
    bool m_parametersValid = true;
    QTimer m_helloTimer;
    bool m_mainWindowLoaded = false;
    bool m_valid = false;
};

} // namespace tessivar
