#include "app/TessivarServerApplication.h"

#include "app/BlockCreationFlow.h"
#include "app/BlockSyncFlow.h"
#include "app/ErrorHandler.h"
#include "app/FirewallFlow.h"
#include "app/GreetingFlow.h"
#include "app/QmlTypes.h"
#include "app/TaskManager.h"
#include "app/TrayAndWindows.h"
#include "app/UpdateFlow.h"
#include "communication/CommunicationHandler.h"
#include "communication/MessageHandler.h"
#include "core/ApplicationConstants.h"
#include "network/NetworkFirewallModel.h"
#include "network/NetworkStatusModel.h"
#include "ui/ErrorWidget.h"

#include <QDebug>
#include <QQmlContext>
#include <QQuickWindow>

namespace tessivar {

namespace {

const QString kMinimizedArgument = QStringLiteral("--minimized");

TessivarServerApplication::Options optionsFromArguments(const QStringList& arguments)
{
    TessivarServerApplication::Options options;
    options.minimized = arguments.contains(kMinimizedArgument);
    return options;
}

// A port the devices could not find (0, or out of range in a hand-edited file) falls
// back to the default rather than being truncated into some other port.
quint16 configuredPort(const Configuration& configuration)
{
    const int port = configuration.Port();
    if (port > 0 && port <= 65535)
        return static_cast<quint16>(port);
    qWarning() << "Invalid port in the settings:" << port << "- using" << CommonConfiguration::kDefaultPort;
    return static_cast<quint16>(CommonConfiguration::kDefaultPort);
}

} // namespace

TessivarServerApplication::TessivarServerApplication(const QStringList& arguments, Configuration& configuration,
                                                     QObject* parent)
    : TessivarServerApplication(optionsFromArguments(arguments), configuration, parent)
{
}

TessivarServerApplication::TessivarServerApplication(const Options& options, Configuration& configuration,
                                                     QObject* parent)
    : AbstractApplication(configuration, parent)
    , m_options(options)
    , m_mainComponent(&m_engine)
    , m_pluginManager(configuration)
{
    setPingInterval(m_options.pingInterval);
    m_parametersValid = m_configuration.checkParameterVersions();

    if (m_configuration.FirstLaunch()) {
        // The local device takes the same identifier, so it stays stable from the first start.
        const NetworkDeviceId_t deviceId = CommonConfiguration::generateDeviceId();
        m_configuration.setDeviceId(deviceId);
        m_deviceManager->GetCurrentDevice().SetId(deviceId);
    }

    const quint16 port = configuredPort(m_configuration);
    auto communicationHandler = std::make_unique<communication::CommunicationHandler>(
        m_deviceManager.get(), device::ApplicationType_e::Server, port, m_configuration);
    auto messageHandler = std::make_unique<communication::MessageHandler>(communicationHandler.get());

    qInfo() << "Application running on device" << m_deviceManager->GetCurrentDevice();

    createFlows();
    registerServerQmlTypes();
    setRootContextProperties();
    createMainComponent();
    if (!m_valid)
        return;

    // The handlers of this program come before those that init adds.
    connectFlows(*messageHandler);
    init(std::move(messageHandler), std::move(communicationHandler));

    connect(&m_configuration, &CommonConfiguration::DeviceNameChanged, this,
            &TessivarServerApplication::changeDeviceName);

    m_configuration.setFirstLaunch(false);
}

TessivarServerApplication::~TessivarServerApplication()
{
    // QML objects go before the engine, the engine before what QML may reference. No
    // event loop runs any more, so the block being created is deleted at once.
    m_blockCreationFlow->deleteModuleBeingCreatedNow();
    m_mainObject.reset();
}

void TessivarServerApplication::createFlows()
{
    m_trayAndWindows = std::make_unique<TrayAndWindows>(m_configuration);
    m_greetingFlow
        = std::make_unique<GreetingFlow>(*this, m_pluginManager, m_options.helloInterval, m_options.wakeUpInterval);
    m_blockSyncFlow = std::make_unique<BlockSyncFlow>(*this, m_moduleList, m_options.checkLoadedSourcesDelay);
    m_firewallFlow = std::make_unique<FirewallFlow>(m_configuration);
    m_blockCreationFlow = std::make_unique<BlockCreationFlow>(m_moduleList, m_pluginManager, *m_deviceManager);
    m_updateFlow = std::make_unique<UpdateFlow>(m_configuration);
    m_networkStatus.reset(new network::NetworkStatusModel(this));
    m_networkStatus->setFirewall(new network::NetworkFirewallModel(m_networkStatus.get()));
}

void TessivarServerApplication::connectFlows(communication::MessageHandler& messageHandler)
{
    m_greetingFlow->registerHandlers(messageHandler);
    connect(m_firewallFlow.get(), &FirewallFlow::firewallInformationRequested, this,
            &TessivarServerApplication::firewallInformationRequested);
    m_blockCreationFlow->registerHandlers(messageHandler);
    m_blockSyncFlow->registerHandlers(messageHandler);
    m_blockSyncFlow->connectModuleList();
    connect(m_blockCreationFlow.get(), &BlockCreationFlow::pluginInformationRequested, this,
            &TessivarServerApplication::pluginInformationRequested);
    connect(m_blockCreationFlow.get(), &BlockCreationFlow::moduleInformationRequested, this,
            &TessivarServerApplication::moduleInformationRequested);
}

void TessivarServerApplication::setRootContextProperties()
{
    QQmlContext* context = m_engine.rootContext();
    context->setContextProperty(QStringLiteral("Controller"), this);
    context->setContextProperty(QStringLiteral("Configuration"), &m_configuration);
    context->setContextProperty(QStringLiteral("PluginInformationList"), nullptr);
    context->setContextProperty(QStringLiteral("DeviceManagerModel"), m_deviceManager->GetModel());
    context->setContextProperty(QStringLiteral("NetworkStatus"), m_networkStatus.get());
    context->setContextProperty(QStringLiteral("TaskManager"), &TaskManager::instance());
}

void TessivarServerApplication::createMainComponent()
{
    m_engine.setIncubationController(&m_incubationController);
    m_mainComponent.loadUrl(QUrl(QStringLiteral("qrc:/MainWindow.qml")));
    m_mainObject.reset(m_mainComponent.create());
    if (!m_mainObject) {
        qWarning() << "Component not created";
        qWarning() << "Errors" << m_mainComponent.errors();
        m_valid = false;
        return;
    }
    qInfo() << "Component created";
    connect(m_mainObject.get(), SIGNAL(mainWindowLoaded()), this, SLOT(onMainWindowLoaded()));
    m_valid = true;
}

void TessivarServerApplication::onMainWindowLoaded()
{
    if (m_mainWindowLoaded)
        return;
    m_mainWindowLoaded = true;

    m_pluginManager.LoadPlugins();
    m_engine.rootContext()->setContextProperty(QStringLiteral("PluginInformationList"),
                                               m_pluginManager.GetPluginInformationList());
    m_trayAndWindows->findWindows(m_mainObject.get());
    if (QQuickWindow* window = mainWindow())
        connect(window, SIGNAL(moduleCreationRequested()), this, SLOT(createNewModule()));
    createErrorHandler();
    m_blockCreationFlow->connectWidgets(mainWindow(), m_errorHandler.get());
    m_trayAndWindows->buildTray();
    m_blockSyncFlow->loadBlocks(m_pluginManager, m_errorHandler.get());
    connect(&m_updateFlow->updateManager(), &update::SoftwareUpdateManager::updateAvailable, this,
            &TessivarServerApplication::notifyTrayUpdateAvailable);
    m_updateFlow->start();
    m_greetingFlow->start();
    m_trayAndWindows->showAtStart(m_options.minimized, m_options.splashHideDelayMs);

    checkSoftwareVersion();
    m_firewallFlow->checkAtStartup();

    qInfo() << "---- Application ready ----";
    qDebug() << "Starting communication";
    m_communicationHandler->Start();
    broadcastHello();
    Q_EMIT applicationReady();
}

void TessivarServerApplication::createErrorHandler()
{
    ui::ErrorWidget* widget = mainWindow() ? mainWindow()->findChild<ui::ErrorWidget*>() : nullptr;
    if (!widget)
        qWarning() << "Error widget not found";
    m_errorHandler = std::make_unique<ErrorHandler>(widget);
    if (!m_parametersValid)
        m_errorHandler->report(ErrorHandler::SettingsError,
                               [this](ui::ErrorAction_e action) { onSettingsErrorAction(action); });
}

void TessivarServerApplication::onSettingsErrorAction(ui::ErrorAction_e action)
{
    if (action != ui::ErrorAction_e::ChangeSettings || !mainWindow())
        return;
    if (QObject* settings = mainWindow()->findChild<QObject*>(QStringLiteral("widget_Settings")))
        settings->setProperty("visible", true);
}

void TessivarServerApplication::checkSoftwareVersion()
{
    const QVersionNumber stored = m_configuration.SoftwareVersion();
    if (stored != softwareVersion()) {
        qInfo().noquote() << "Software updated from" << stored.toString() << "to" << softwareVersion().toString();
        Q_EMIT releaseNotesRequested();
    }
    m_configuration.setSoftwareVersion(softwareVersion());
}

void TessivarServerApplication::onNetworkError(QString errorDescription)
{
    if (!m_errorHandler) {
        qWarning() << "Network error before the window was ready:" << errorDescription;
        return;
    }
    m_errorHandler->report(
        ErrorHandler::NetworkError, [](ui::ErrorAction_e) {}, errorDescription);
}

// ---- The documented slots, forwarded to their flows ----

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
