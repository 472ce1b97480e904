#include "app/TessivarServerApplication.h"

#include "app/ApplicationConstants.h"
#include "app/ErrorHandler.h"
#include "app/TaskManager.h"
#include "ui/ErrorWidget.h"

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
{
    m_parametersValid = m_configuration.checkParameterVersions();

    if (m_configuration.FirstLaunch()) {
        // The local device takes the same identifier, so it stays stable from the first start.
        const NetworkDeviceId_t deviceId = CommonConfiguration::generateDeviceId();
        m_configuration.setDeviceId(deviceId);
        m_deviceManager->GetCurrentDevice().SetId(deviceId);
    }

    qInfo() << "Application running on device" << m_deviceManager->GetCurrentDevice();

    registerQmlTypes();
    setRootContextProperties();
    createMainComponent();
    if (!m_valid)
        return;

    connect(&m_configuration, &CommonConfiguration::DeviceNameChanged, this,
            [this](const QString& name) { m_deviceManager->GetCurrentDevice().SetName(name); });

    m_configuration.setFirstLaunch(false);
}

TessivarServerApplication::~TessivarServerApplication()
{
    // QML objects go before the engine, the engine before what QML may reference.
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

void TessivarServerApplication::registerQmlTypes()
{
    registerWidgetFile("com.tessivar.widgets.private", "ErrorWidget", QStringLiteral("qrc:/Widgets/ErrorWidget.qml"));
    qmlRegisterType<ui::ErrorWidget>("com.tessivar.widgets.impl", 1, 0, "ErrorWidgetImpl");
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

    findWindows();
    createErrorHandler();
    buildTray();

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
}

void TessivarServerApplication::createErrorHandler()
{
    ui::ErrorWidget* widget = m_mainWindow ? m_mainWindow->findChild<ui::ErrorWidget*>() : nullptr;
    if (!widget)
        qWarning() << "Error widget not found";
    m_errorHandler = std::make_unique<ErrorHandler>(widget);
    if (!m_parametersValid)
        m_errorHandler->report(ErrorHandler::SettingsError, [this](ui::ErrorAction_e action) { onSettingsErrorAction(action); });
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
