#include "app/TessivarServerApplication.h"

#include "core/ApplicationConstants.h"
#include "app/ErrorHandler.h"
#include "app/TaskManager.h"
#include "communication/CommunicationHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "ui/ErrorWidget.h"
#include "ui/ModuleEditionWidget.h"
#include "ui/ModuleSelectionWidget.h"

#include <QApplication>
#include <QDebug>
#include <QMenu>
#include <QQmlContext>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>

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
    , m_trayMenu(std::make_unique<QMenu>())
    , m_pluginManager(configuration)
{
    m_wakeUpTimer.setInterval(m_options.wakeUpInterval);
    m_helloTimer.setInterval(m_options.helloInterval);
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

    registerQmlTypes();
    setRootContextProperties();
    createMainComponent();
    if (!m_valid)
        return;

    // The handlers of this program come before those that init adds.
    m_messageHandler = std::move(messageHandler);
    registerMessageHandlers();
    connect(&m_helloTimer, &QTimer::timeout, this, &TessivarServerApplication::broadcastHello);
    connect(&m_wakeUpTimer, &QTimer::timeout, this, &TessivarServerApplication::wakeUpDevices);
    connectModuleList();
    init(std::move(m_messageHandler), std::move(communicationHandler));

    connect(&m_configuration, &CommonConfiguration::DeviceNameChanged, this,
            &TessivarServerApplication::changeDeviceName);

    m_configuration.setFirstLaunch(false);
}

TessivarServerApplication::~TessivarServerApplication()
{
    // QML objects go before the engine, the engine before what QML may reference. No
    // event loop runs any more, so the block being created is deleted at once.
    delete m_moduleBeingCreated.release();
    m_mainObject.reset();
}

bool TessivarServerApplication::isValid() const
{
    return m_valid;
}

QQmlEngine& TessivarServerApplication::engine()
{
    return m_engine;
}

QQuickWindow* TessivarServerApplication::mainWindow() const
{
    return m_mainWindow;
}

QQuickWindow* TessivarServerApplication::splashWindow() const
{
    return m_splashWindow;
}

QSystemTrayIcon& TessivarServerApplication::trayIcon()
{
    return m_trayIcon;
}

QMenu* TessivarServerApplication::trayMenu() const
{
    return m_trayMenu.get();
}

bool TessivarServerApplication::parametersValid() const
{
    return m_parametersValid;
}

ModuleList& TessivarServerApplication::moduleList()
{
    return m_moduleList;
}

PluginManager& TessivarServerApplication::pluginManager()
{
    return m_pluginManager;
}

ModuleSource* TessivarServerApplication::moduleBeingCreated() const
{
    return m_moduleBeingCreated.get();
}

ui::ModuleSelectionWidget* TessivarServerApplication::moduleSelectionWidget() const
{
    return m_moduleSelectionWidget;
}

ui::ModuleEditionWidget* TessivarServerApplication::moduleEditionWidget() const
{
    return m_moduleEditionWidget;
}

void TessivarServerApplication::registerQmlTypes()
{
    const char* serverWidgets = "com.tessivar.widgets.server";
    registerWidgetFile(serverWidgets, "ModuleEditionWidget", QStringLiteral("qrc:/UI/ModuleEditionWidget.qml"));
    registerWidgetFile(serverWidgets, "ModuleSelectionWidget", QStringLiteral("qrc:/UI/ModuleSelectionWidget.qml"));
    const char* impl = "com.tessivar.widgets.impl";
    qmlRegisterType<ui::ModuleEditionWidget>(impl, 1, 0, "ModuleEditionWidgetImpl");
    qmlRegisterType<ui::ModuleSelectionWidget>(impl, 1, 0, "ModuleSelectionWidgetImpl");
    qmlRegisterType<ui::ErrorWidget>(impl, 1, 0, "ErrorWidgetImpl");
    registerWidgetFile("com.tessivar.widgets.private", "ErrorWidget", QStringLiteral("qrc:/Widgets/ErrorWidget.qml"));
    const QString notCreatable = QStringLiteral("Not creatable");
    qmlRegisterUncreatableType<ModuleList>("com.tessivar.types", 1, 0, "ModuleList", notCreatable);
    qmlRegisterUncreatableType<ModuleSource>("com.tessivar.types", 1, 0, "ModuleSource", notCreatable);
    qRegisterMetaType<NetworkDeviceId_t>("NetworkDeviceId_t");
}

void TessivarServerApplication::registerWidgetFile(const char* module, const char* type, const QString& url)
{
    const int typeId = qmlRegisterType(QUrl(url), module, 1, 0, type);
    qDebug().noquote() << "Registering widget" << type << ":" << typeId;
}

void TessivarServerApplication::setRootContextProperties()
{
    QQmlContext* context = m_engine.rootContext();
    context->setContextProperty(QStringLiteral("Controller"), this);
    context->setContextProperty(QStringLiteral("Configuration"), &m_configuration);
    context->setContextProperty(QStringLiteral("PluginInformationList"), nullptr);
    context->setContextProperty(QStringLiteral("DeviceManagerModel"), m_deviceManager->GetModel());
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
    findWindows();
    connectModuleWidgets();
    createErrorHandler();
    buildTray();
    loadModules();
    m_helloTimer.start();
    m_wakeUpTimer.start();

    if (!m_options.minimized && m_mainWindow) {
        fitMainWindowToScreen();
        m_mainWindow->show();
    }
    QTimer::singleShot(m_options.splashHideDelayMs, this, [this] {
        if (m_splashWindow)
            m_splashWindow->hide();
    });

    checkSoftwareVersion();

    qInfo() << "---- Application ready ----";
    qDebug() << "Starting communication";
    m_communicationHandler->Start();
    broadcastHello();
    Q_EMIT applicationReady();
}

void TessivarServerApplication::findWindows()
{
    const QList<QQuickWindow*> windows = m_mainObject->findChildren<QQuickWindow*>();
    for (QQuickWindow* window : windows) {
        if (window->objectName() == QLatin1String("window_Splash"))
            m_splashWindow = window;
        else if (window->objectName() == QLatin1String("window_Main"))
            m_mainWindow = window;
    }
    if (!m_mainWindow) {
        qWarning() << "Main window not found";
        return;
    }
    connect(m_mainWindow, SIGNAL(moduleCreationRequested()), this, SLOT(createNewModule()));
}

void TessivarServerApplication::createErrorHandler()
{
    ui::ErrorWidget* widget = m_mainWindow ? m_mainWindow->findChild<ui::ErrorWidget*>() : nullptr;
    if (!widget)
        qWarning() << "Error widget not found";
    m_errorHandler = std::make_unique<ErrorHandler>(widget);
    if (!m_parametersValid)
        m_errorHandler->report(ErrorHandler::SettingsError,
                               [this](ui::ErrorAction_e action) { onSettingsErrorAction(action); });
}

void TessivarServerApplication::onSettingsErrorAction(ui::ErrorAction_e action)
{
    if (action != ui::ErrorAction_e::ChangeSettings || !m_mainWindow)
        return;
    if (QObject* settings = m_mainWindow->findChild<QObject*>(QStringLiteral("widget_Settings")))
        settings->setProperty("visible", true);
}

ErrorHandler* TessivarServerApplication::errorHandler() const
{
    return m_errorHandler.get();
}

void TessivarServerApplication::buildTray()
{
    QAction* show = m_trayMenu->addAction(tr("Show"));
    connect(show, &QAction::triggered, this, &TessivarServerApplication::raiseMainWindow);
    QAction* exitAction = m_trayMenu->addAction(tr("Exit"));
    connect(exitAction, &QAction::triggered, this, &TessivarServerApplication::handleTrayExitClicked);
    m_trayIcon.setIcon(QIcon(QStringLiteral(":/icon/Images/Icon_systemtray.png")));
    m_trayIcon.setContextMenu(m_trayMenu.get());
    m_trayIcon.setVisible(true);
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this, &TessivarServerApplication::handleTrayIconActivated);
    connect(qApp, &QCoreApplication::aboutToQuit, &m_trayIcon, &QSystemTrayIcon::hide);
}

void TessivarServerApplication::fitMainWindowToScreen()
{
    QScreen* screen = m_mainWindow->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (m_mainWindow->width() > available.width()) {
        m_mainWindow->setX(available.left());
        m_mainWindow->setWidth(std::max(m_mainWindow->minimumWidth(), available.width()));
    }
    if (m_mainWindow->height() > available.height()) {
        m_mainWindow->setY(available.top());
        m_mainWindow->setHeight(std::max(m_mainWindow->minimumHeight(), available.height()));
    }
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

void TessivarServerApplication::raiseMainWindow()
{
    if (!m_mainWindow)
        return;
    m_mainWindow->show();
    QMetaObject::invokeMethod(m_mainWindow, "raise");
}

void TessivarServerApplication::minimizeWindow()
{
    if (!m_mainWindow)
        return;
    if (m_configuration.MinimizeToTray()) {
        m_mainWindow->hide();
        notifyTrayMinimized();
    } else {
        m_mainWindow->showMinimized();
    }
}

void TessivarServerApplication::closeWindow()
{
    if (m_configuration.CloseToTray()) {
        if (m_mainWindow)
            m_mainWindow->hide();
        notifyTrayMinimized();
    } else {
        QCoreApplication::quit();
    }
}

void TessivarServerApplication::routeTrayMessageClick(void (TessivarServerApplication::*handler)())
{
    disconnect(m_trayMessageRouting);
    m_trayMessageRouting = connect(&m_trayIcon, &QSystemTrayIcon::messageClicked, this, handler);
}

void TessivarServerApplication::notifyTrayMinimized()
{
    if (!QSystemTrayIcon::supportsMessages() || m_configuration.TrayMessageShown())
        return;
    routeTrayMessageClick(&TessivarServerApplication::handleTrayMessageClickMinimized);
    m_trayIcon.showMessage(tr("The application is still running"),
                           tr("Change this behaviour in the settings.\nClick to not show this message again."),
                           QSystemTrayIcon::Information, 5000);
}

void TessivarServerApplication::handleTrayMessageClickMinimized()
{
    m_configuration.setTrayMessageShown(true);
}

void TessivarServerApplication::handleTrayIconActivated(QSystemTrayIcon::ActivationReason activationReason)
{
    if (activationReason == QSystemTrayIcon::Trigger)
        raiseMainWindow();
}

void TessivarServerApplication::handleTrayExitClicked()
{
    if (m_mainWindow)
        m_mainWindow->hide();
    QCoreApplication::quit();
}

} // namespace tessivar

// ---- Messages from devices and to them ----

namespace tessivar {

using communication::MessageReception;
using communication::MessageType_e;

void TessivarServerApplication::registerMessageHandlers()
{
    registerHandler(MessageType_e::Hello, [this](const MessageReception& reception) { onHelloReceived(reception); });
    registerHandler(MessageType_e::RegisterModuleResponse, [this](const MessageReception& reception) {
        const auto& message = static_cast<const communication::Message_RegisterBlockResponse&>(reception.GetMessage());
        handleBlockCreationResponse(reception.GetSenderId(), message.GetStatus(), message.GetBlockId(),
                                    message.GetRequestIndex());
    });
    registerHandler(MessageType_e::Data, [this](const MessageReception& reception) {
        const auto& message = static_cast<const communication::Message_Data&>(reception.GetMessage());
        m_moduleList.ProcessBlockData(message.GetBlockId(), reception.GetSenderId(), message.GetData());
    });
    registerHandler(MessageType_e::DeleteModule, [this](const MessageReception& reception) {
        const auto& message = static_cast<const communication::Message_DeleteBlock&>(reception.GetMessage());
        m_moduleList.DeleteBlock(message.GetBlockId(), reception.GetSenderId());
    });
}

void TessivarServerApplication::onHelloReceived(const MessageReception& reception)
{
    const auto& hello = static_cast<const communication::Message_Hello&>(reception.GetMessage());
    const std::optional<device::IDevice*> device = m_deviceManager->GetDevice(hello.GetSenderDeviceId());
    if (!device) {
        qInfo().nospace() << "Received Hello from unknown device id [" << hello.GetSenderDeviceId() << "]";
        return;
    }
    qDebug().nospace() << "Received Hello from device [" << **device << "]";
    if ((*device)->IsRegistered())
        return;
    qInfo() << "Requesting device registration";
    const device::IDevice& local = m_deviceManager->GetCurrentDevice();
    messageHandler().SendMessage(
        emissionFactory()
            .CreateRegisterDeviceMessage(local.GetName(), local.GetApplicationType(), local.GetVersion(),
                                         m_pluginManager.BuildDataClassCatalogue(), (*device)->GetId())
            .Build());
}

void TessivarServerApplication::onDeviceRegistered(NetworkDeviceId_t deviceId, QString, QVersionNumber,
                                                   QList<ModuleDataClassInfo_t> dataClassInfoList)
{
    qDebug() << "Plugins:";
    for (const ModuleDataClassInfo_t& dataClass : std::as_const(dataClassInfoList))
        qDebug() << "   " << dataClass;

    const QList<ModuleDataClassInfo_t> ours = m_pluginManager.BuildDataClassCatalogue();
    QList<ModuleDataClassInfo_t> invalid;
    for (const ModuleDataClassInfo_t& theirs : std::as_const(dataClassInfoList)) {
        const auto same = std::find_if(ours.cbegin(), ours.cend(), [&theirs](const ModuleDataClassInfo_t& own) {
            return own.classId == theirs.classId;
        });
        const bool filesMatch = same != ours.cend()
            && std::all_of(theirs.fileList.cbegin(), theirs.fileList.cend(),
                           [&same](const ModuleDataClassInfo_t::FileInfo_t& file) {
                               return same->fileList.contains(file);
                           });
        if (!filesMatch)
            invalid.append(theirs);
    }
    if (!invalid.isEmpty()) {
        qDebug() << "Invalid data classes:";
        for (const ModuleDataClassInfo_t& dataClass : std::as_const(invalid))
            qDebug() << "   " << dataClass;
    }

    messageHandler().SendMessage(
        emissionFactory().CreateModuleListMessage(m_moduleList.GetBlockIdsOfDevice(deviceId), deviceId).Build());
    m_moduleList.ActivateModulesOfDevice(deviceId);
}

void TessivarServerApplication::onBlockListReceived(QList<BlockId_t> deviceBlocks, NetworkDeviceId_t deviceId)
{
    m_moduleList.SyncBlockList(deviceId, deviceBlocks);
}

void TessivarServerApplication::onDeviceDisconnected(const NetworkDeviceId_t& deviceId)
{
    m_moduleList.DeactivateModulesOfDevice(deviceId);
}

void TessivarServerApplication::handleBlockCreationResponse(NetworkDeviceId_t deviceId, BlockCreationStatus_e status,
                                                            BlockId_t blockId, BlockCreationRequestId_t requestId)
{
    if (status == BlockCreationStatus_e::Created) {
        m_moduleList.OnBlockCreated(blockId, requestId);
        return;
    }
    m_moduleList.RemoveModuleByRequestId(requestId);
    if (!m_errorHandler)
        return;
    switch (status) {
    case BlockCreationStatus_e::IncompatibleVersion: {
        const std::optional<device::IDevice*> device = m_deviceManager->GetDevice(deviceId);
        const QString deviceVersion = device ? (*device)->GetVersion().toString() : QString();
        m_errorHandler->report(ErrorHandler::VersionError, {}, deviceVersion, softwareVersion().toString());
        break;
    }
    case BlockCreationStatus_e::ModuleNotAvailable:
        m_errorHandler->report(ErrorHandler::InvalidModule, {});
        break;
    case BlockCreationStatus_e::NotCreated:
        break;
    default:
        // Failed, and any value a device may invent.
        m_errorHandler->report(ErrorHandler::UnknownError, {});
        break;
    }
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

void TessivarServerApplication::wakeUpDevices()
{
    const QList<Destination> away = devicesWhere([](const device::IDevice& device) { return !device.IsConnected(); });
    for (const Destination& destination : away)
        sendHello(destination, true);
}

void TessivarServerApplication::checkLoadedSources()
{
    QStringList connected;
    for (const Destination& destination :
         devicesWhere([](const device::IDevice& device) { return device.IsConnected(); }))
        connected.append(destination.id);
    m_moduleList.DeactivateModulesNotOn(connected);
}

void TessivarServerApplication::connectModuleList()
{
    auto send = [this](auto&& builder) { messageHandler().SendMessage(builder.Build()); };
    connect(&m_moduleList, &ModuleList::moduleDeleted, this,
            [this, send](BlockId_t blockId, NetworkDeviceId_t deviceId) {
                send(emissionFactory().CreateDeleteModuleMessage(blockId, deviceId));
            });
    connect(&m_moduleList, &ModuleList::moduleParametersUpdated, this,
            [this, send](BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap parameters) {
                send(emissionFactory().CreateUpdateParametersMessage(blockId, parameters, deviceId));
            });
    connect(&m_moduleList, &ModuleList::moduleDataUpdated, this,
            [this, send](BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap data) {
                send(emissionFactory().CreateDataMessage(blockId, data, deviceId));
            });
    connect(&m_moduleList, &ModuleList::moduleNotificationSent, this,
            [this, send](QString text, int duration, NetworkDeviceId_t deviceId) {
                send(emissionFactory().CreateNotificationMessage(text, duration, deviceId));
            });
    connect(&m_moduleList, &ModuleList::moduleCreationRequested, this,
            [this, send](ModuleDataId_t dataClassId, QString dataWidget, QVariantMap parameters, QVariantMap data,
                         BlockCreationRequestId_t requestId, NetworkDeviceId_t deviceId) {
                send(emissionFactory().CreateRegisterModuleMessage(dataClassId, dataWidget, softwareVersion(),
                                                                   parameters, data, requestId, deviceId));
            });
}

void TessivarServerApplication::loadModules()
{
    if (!m_moduleList.LoadModules(m_pluginManager) && m_errorHandler)
        m_errorHandler->report(ErrorHandler::InvalidModule, {});
    if (m_moduleList.rowCount() > 0)
        QTimer::singleShot(m_options.checkLoadedSourcesDelay, this, &TessivarServerApplication::checkLoadedSources);
}

// ---- Creating and editing blocks ----

void TessivarServerApplication::connectModuleWidgets()
{
    connect(&m_moduleList, &ModuleList::moduleModificationRequested, this,
            &TessivarServerApplication::modifyExistingModule);
    connect(&m_moduleList, &ModuleList::moduleInformationRequested, this,
            &TessivarServerApplication::moduleInformationRequested);
    if (!m_mainWindow)
        return;
    m_moduleSelectionWidget = m_mainWindow->findChild<ui::ModuleSelectionWidget*>();
    m_moduleEditionWidget = m_mainWindow->findChild<ui::ModuleEditionWidget*>();
    if (m_moduleSelectionWidget) {
        connect(m_moduleSelectionWidget, &ui::ModuleSelectionWidget::moduleSelected, this,
                &TessivarServerApplication::modifyNewModule);
        connect(m_moduleSelectionWidget, &ui::ModuleSelectionWidget::moduleSelectionCancelled, this,
                &TessivarServerApplication::cancelNewModuleEdition);
        connect(m_moduleSelectionWidget, &ui::ModuleSelectionWidget::invalidPluginInfoPressed, this,
                &TessivarServerApplication::pluginInformationRequested);
        connect(m_moduleSelectionWidget, &ui::ModuleSelectionWidget::invalidModuleInfoPressed, this,
                &TessivarServerApplication::moduleInformationRequested);
    } else {
        qWarning() << "Module selection widget not found";
    }
    if (!m_moduleEditionWidget)
        qWarning() << "Module edition widget not found";
}

void TessivarServerApplication::hideModuleWidgets()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
    if (m_moduleSelectionWidget)
        m_moduleSelectionWidget->setVisible(false);
}

void TessivarServerApplication::dropModuleBeingCreated()
{
    m_moduleBeingCreated.reset();
}

void TessivarServerApplication::createNewModule()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
    if (!m_moduleSelectionWidget)
        return;
    if (m_moduleSelectionWidget->isVisible()) {
        m_moduleSelectionWidget->setVisible(false);
        dropModuleBeingCreated();
    } else {
        m_moduleSelectionWidget->setVisible(true);
    }
}

void TessivarServerApplication::modifyNewModule(PluginId_t pluginId, ModuleId_t moduleId)
{
    if (!m_moduleEditionWidget)
        return;
    m_moduleEditionWidget->close();
    disconnect(m_moduleEditionWidget, nullptr, this, nullptr);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::creationAccepted, this,
            &TessivarServerApplication::acceptNewModuleModification);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationCancelled, this,
            &TessivarServerApplication::cancelNewModuleModification);

    std::unique_ptr<TessivarModuleInstance> instance = m_pluginManager.InstantiateModule(pluginId, moduleId);
    if (!instance) {
        qWarning() << "Could not create module" << moduleId << "of plugin" << pluginId;
        dropModuleBeingCreated();
        return;
    }
    ModuleRecord record;
    record.SetPluginId(pluginId);
    record.SetModuleId(moduleId);
    record.SetModuleDataClass(instance->instanceData()->classId());
    if (instance->moduleInfo())
        instance->instanceData()->setLocalTitle(instance->moduleInfo()->name());
    m_moduleBeingCreated.reset(new ModuleSource(record, std::move(instance), false));
    m_moduleEditionWidget->edit(m_moduleBeingCreated.get(),
                                m_pluginManager.GetParameterEditionWidgetPath(record.GetModuleDataClass()), true);
}

void TessivarServerApplication::acceptNewModuleModification(NetworkDeviceId_t selectedDevice)
{
    hideModuleWidgets();
    if (!m_moduleBeingCreated)
        return;
    ModuleSource* module = m_moduleBeingCreated.release();
    module->SetDeviceId(selectedDevice);
    const QString dataClassId = module->GetRecord().GetModuleDataClass();
    m_moduleList.AddNewModule(module, m_pluginManager.FindModuleDataClass(dataClassId), true);
}

void TessivarServerApplication::cancelNewModuleModification()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
    if (m_moduleSelectionWidget)
        m_moduleSelectionWidget->setProperty("selectedModule", QVariant::fromValue<QObject*>(nullptr));
    dropModuleBeingCreated();
}

void TessivarServerApplication::cancelNewModuleEdition()
{
    cancelNewModuleModification();
}

void TessivarServerApplication::cancelNewModuleSelection()
{
    hideModuleWidgets();
    dropModuleBeingCreated();
}

void TessivarServerApplication::modifyExistingModule(ModuleSource* module)
{
    if (!m_moduleEditionWidget || !module)
        return;
    disconnect(m_moduleEditionWidget, nullptr, this, nullptr);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationAccepted, this,
            &TessivarServerApplication::acceptExistingModuleModification);
    connect(m_moduleEditionWidget, &ui::ModuleEditionWidget::modificationCancelled, this,
            &TessivarServerApplication::cancelExistingModuleModification);
    m_moduleEditionWidget->edit(
        module, m_pluginManager.GetParameterEditionWidgetPath(module->GetRecord().GetModuleDataClass()), false);
}

void TessivarServerApplication::acceptExistingModuleModification()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
}

void TessivarServerApplication::cancelExistingModuleModification()
{
    if (m_moduleEditionWidget)
        m_moduleEditionWidget->close();
}

} // namespace tessivar
