#include "app/TessivarServerApplication.h"

#include "app/BlockCreationFlow.h"
#include "app/BlockSyncFlow.h"
#include "app/DashboardFlow.h"
#include "app/ErrorHandler.h"
#include "app/FileTransferFlow.h"
#include "app/FirewallFlow.h"
#include "app/GreetingFlow.h"
#include "app/QmlTypes.h"
#include "app/TaskManager.h"
#include "app/TrayAndWindows.h"
#include "app/UpdateFlow.h"
#include "app/UserInterfaceFlow.h"
#include "app/WindowParts.h"
#include "communication/CommunicationHandler.h"
#include "communication/MessageHandler.h"
#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "core/StartupTrace.h"
#include "network/FirewallCheck.h"
#include "network/NetworkFirewallModel.h"
#include "network/NetworkStatusModel.h"
#include "transfer/FileDialogs.h"
#include "ui/ErrorWidget.h"

#include <QDebug>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimer>

#include <optional>

namespace tessivar {

namespace {

const QString kMinimizedArgument = QStringLiteral("--minimized");

// A port the devices could not find (0, or out of range in a hand-edited file) falls
// back to the default rather than being truncated into some other port.
quint16 configuredPort(const Configuration& configuration)
{
    const int port = configuration.Port();
    if (port > 0 && port <= 65535)
        return static_cast<quint16>(port);
    qCWarning(lcApp) << "Invalid port in the settings:" << port << "- using" << CommonConfiguration::kDefaultPort;
    return static_cast<quint16>(CommonConfiguration::kDefaultPort);
}

} // namespace

TessivarServerApplication::Options TessivarServerApplication::optionsFromArguments(const QStringList& arguments)
{
    Options options;
    options.minimized = arguments.contains(kMinimizedArgument);
    return options;
}

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
    startupMark("application members");
    m_parametersValid = m_configuration.checkParameterVersions();
    startupMark("parameter check");

    // A first start stores its identifier, the end of the first launch and the running
    // version with one synced write instead of three: nothing reads the file meanwhile,
    // and devices meet the identifier only once the sockets open, after this.
    const bool firstLaunch = m_configuration.FirstLaunch();
    std::optional<CommonConfiguration::WriteBatch> firstStartWrites;
    if (firstLaunch)
        firstStartWrites.emplace(m_configuration);

    // A first start cut short (a crash, a kill) may have stored its identifier already,
    // and devices may have met it: only a missing one is made.
    if (firstLaunch && !m_configuration.HasDeviceId()) {
        // The local device takes the same identifier, so it stays stable from the first start.
        const NetworkDeviceId_t deviceId = CommonConfiguration::generateDeviceId();
        m_configuration.setDeviceId(deviceId);
        m_deviceManager->GetCurrentDevice().SetId(deviceId);
    }

    const quint16 port = configuredPort(m_configuration);
    auto communicationHandler = std::make_unique<communication::CommunicationHandler>(
        m_deviceManager.get(), device::ApplicationType_e::Server, port, m_configuration);
    auto messageHandler = std::make_unique<communication::MessageHandler>(communicationHandler.get());
    // Before the flows, which are built over the message handler and the emission factory.
    adoptMessaging(std::move(messageHandler), std::move(communicationHandler));

    qCInfo(lcApp) << "Application running on device" << m_deviceManager->GetCurrentDevice();
    startupMark("communication handler");

    createFlows();
    startupMark("flows");
    registerServerQmlTypes();
    setRootContextProperties();
    startupMark("QML registrations");
    createMainComponent();
    startupMark("main component");
    if (!m_valid)
        return;

    // The handlers of this program come before those that init adds.
    connectFlows(*m_messageHandler);
    init();

    connect(&m_configuration, &CommonConfiguration::DeviceNameChanged, this,
            &TessivarServerApplication::changeDeviceName);

    // Written once: a synced settings write on every start costs the start.
    if (firstLaunch) {
        // With none stored, the version check after the window has loaded reads this
        // build's version either way; stored now, it has nothing left to write.
        if (!m_configuration.StoresSoftwareVersion())
            m_configuration.setSoftwareVersion(softwareVersion());
        m_configuration.setFirstLaunch(false);
    }
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
    connect(m_trayAndWindows.get(), &TrayAndWindows::trayAvailableChanged, this,
            &TessivarServerApplication::systemTrayAvailableChanged);
    m_greetingFlow = std::make_unique<GreetingFlow>(*m_messageHandler, *m_emissionFactory, *m_deviceManager,
                                                    m_pluginManager, m_options.helloInterval, m_options.wakeUpInterval);
    m_blockSyncFlow = std::make_unique<BlockSyncFlow>(*m_messageHandler, *m_emissionFactory, *m_deviceManager,
                                                      m_moduleList, m_options.checkLoadedSourcesDelay);
    m_firewallCheck = std::make_unique<network::FirewallCheck>();
    m_firewallCheck->setToolTimeout(m_options.firewallToolTimeout);
    m_firewallCheck->setReadOptions(m_options.firewallReadOptions);
    m_firewallFlow = std::make_unique<FirewallFlow>(m_configuration, *m_firewallCheck);
    m_firewallFlow->prepare();
    m_blockCreationFlow = std::make_unique<BlockCreationFlow>(m_moduleList, m_pluginManager, *m_deviceManager);
    m_fileTransferFlow
        = std::make_unique<FileTransferFlow>(*m_messageHandler, *m_emissionFactory, *m_deviceManager, m_pluginManager,
                                             m_configuration, FileTransferFlow::Options{});
    m_dashboardFlow = std::make_unique<DashboardFlow>(*m_messageHandler, *m_emissionFactory, m_moduleList,
                                                      m_pluginManager, [this] { return m_errorHandler.get(); });
    m_updateFlow = std::make_unique<UpdateFlow>(m_configuration);
    m_networkStatus.reset(new network::NetworkStatusModel(this));
    m_networkStatus->setFirewall(new network::NetworkFirewallModel(
        *m_firewallCheck, [this] { return m_configuration.Port(); }, m_networkStatus.get()));
}

void TessivarServerApplication::connectFlows(communication::MessageHandler& messageHandler)
{
    m_greetingFlow->registerHandlers(messageHandler);
    connect(m_firewallFlow.get(), &FirewallFlow::firewallInformationRequested, this,
            &TessivarServerApplication::firewallInformationRequested);
    m_blockCreationFlow->registerHandlers(messageHandler);
    m_blockSyncFlow->registerHandlers(messageHandler);
    m_blockSyncFlow->connectModuleList();
    m_fileTransferFlow->registerHandlers(messageHandler);
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
    if (m_options.beforeWindowsCreated)
        m_options.beforeWindowsCreated();
    m_mainObject.reset(m_mainComponent.create());
    if (!m_mainObject) {
        qCWarning(lcApp) << "Component not created";
        qCWarning(lcApp) << "Errors" << m_mainComponent.errors();
        m_valid = false;
        return;
    }
    qCInfo(lcApp) << "Component created";
    connect(m_mainObject.get(), SIGNAL(mainWindowLoaded()), this, SLOT(onMainWindowLoaded()));
    m_valid = true;
}

void TessivarServerApplication::onMainWindowLoaded()
{
    if (m_mainWindowLoaded)
        return;
    m_mainWindowLoaded = true;

    startupMark("main window loaded");
    m_pluginManager.LoadPlugins();
    startupMark("plugins");
    m_engine.rootContext()->setContextProperty(QStringLiteral("PluginInformationList"),
                                               m_pluginManager.GetPluginInformationList());
    m_trayAndWindows->findWindows(m_mainObject.get());
    if (QQuickWindow* window = mainWindow())
        connect(window, SIGNAL(moduleCreationRequested()), this, SLOT(createNewModule()));
    m_userInterfaceFlow = std::make_unique<UserInterfaceFlow>(*this, m_configuration, m_moduleList);
    m_userInterfaceFlow->wire(mainWindow());
    createErrorHandler();
    m_blockCreationFlow->connectWidgets(mainWindow(), m_errorHandler.get());
    m_trayAndWindows->buildTray();
    startupMark("widgets and tray");
    m_blockSyncFlow->loadBlocks(m_pluginManager, m_errorHandler.get());
    startupMark("blocks");
    connect(&m_updateFlow->updateManager(), &update::SoftwareUpdateManager::updateAvailable, this,
            &TessivarServerApplication::notifyTrayUpdateAvailable);
    m_userInterfaceFlow->connectUpdates(*m_updateFlow);
    m_greetingFlow->start();
    m_trayAndWindows->showAtStart(m_options.minimized, m_options.splashHideDelayMs);
    startupMark("window shown");

    checkSoftwareVersion();
    startupMark("software version");
    m_firewallFlow->checkAtStartup();
    startupMark("firewall check");

    qCInfo(lcApp) << "---- Application ready ----";
    qCDebug(lcApp) << "Starting communication";
    m_communicationHandler->Start();
    broadcastHello();
    startupMark("ready, sockets open");
    // Nobody waits for the answer of the update server: the request, and the loading of
    // the TLS library it needs, come after the start.
    QTimer::singleShot(0, m_updateFlow.get(), [this] { m_updateFlow->start(); });
    Q_EMIT applicationReady();
}

void TessivarServerApplication::createErrorHandler()
{
    m_errorHandler = std::make_unique<ErrorHandler>(ErrorHandler::WidgetProvider(
        [this] { return buildWindowPart<ui::ErrorWidget>(mainWindow(), QStringLiteral("error")); }));
    if (!m_parametersValid)
        m_errorHandler->report(ErrorHandler::SettingsError,
                               [this](ui::ErrorAction_e action) { onSettingsErrorAction(action); });
}

void TessivarServerApplication::onSettingsErrorAction(ui::ErrorAction_e action)
{
    if (action == ui::ErrorAction_e::ChangeSettings && m_userInterfaceFlow)
        m_userInterfaceFlow->showSettings();
}

void TessivarServerApplication::checkSoftwareVersion()
{
    const QVersionNumber stored = m_configuration.SoftwareVersion();
    if (stored != softwareVersion()) {
        qCInfo(lcApp).noquote() << "Software updated from" << stored.toString() << "to" << softwareVersion().toString();
        Q_EMIT releaseNotesRequested();
    }
    // Stored once per version: a synced settings write on every start costs the start.
    if (stored != softwareVersion() || !m_configuration.StoresSoftwareVersion())
        m_configuration.setSoftwareVersion(softwareVersion());
}

void TessivarServerApplication::onNetworkError(QString errorDescription)
{
    if (!m_errorHandler) {
        qCWarning(lcApp) << "Network error before the window was ready:" << errorDescription;
        return;
    }
    m_errorHandler->report(
        ErrorHandler::NetworkError, [this](ui::ErrorAction_e action) { onSettingsErrorAction(action); },
        errorDescription);
}

} // namespace tessivar
