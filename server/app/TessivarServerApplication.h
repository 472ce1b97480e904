#pragma once

#include "app/AbstractApplication.h"
#include "app/TimerIncubationController.h"
#include "ui/ErrorAction.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSystemTrayIcon>
#include <QVersionNumber>

#include <memory>

class QMenu;
class QQuickWindow;

namespace tessivar {

class ErrorHandler;

// The server program's central object: builds the subsystems, loads the user
// interface and ties the tray, the windows and the configuration together.
class TessivarServerApplication : public AbstractApplication
{
    Q_OBJECT

public:
    struct Options {
        bool minimized = false;      // "--minimized": the main window stays hidden
        int splashHideDelayMs = 500; // the splash stays this long after the window loaded
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

Q_SIGNALS:
    void firewallInformationRequested();
    void pluginInformationRequested(const QString& pluginId);
    void moduleInformationRequested(const QString& pluginId, const QString& moduleId);
    // Emitted at the end of onMainWindowLoaded, once the server runs.
    void applicationReady();

public Q_SLOTS:
    void onMainWindowLoaded();
    void raiseMainWindow();
    void closeWindow();
    void minimizeWindow();
    void notifyTrayMinimized();
    void handleTrayIconActivated(QSystemTrayIcon::ActivationReason activationReason);
    void handleTrayMessageClickMinimized();
    void handleTrayExitClicked();

private:
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
    QQmlEngine m_engine;
    TimerIncubationController m_incubationController;
    QQmlComponent m_mainComponent;
    std::unique_ptr<QObject> m_mainObject;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_splashWindow;
    QSystemTrayIcon m_trayIcon;
    std::unique_ptr<QMenu> m_trayMenu;
    QMetaObject::Connection m_trayMessageRouting;
    std::unique_ptr<ErrorHandler> m_errorHandler;
    bool m_parametersValid = true;
    bool m_mainWindowLoaded = false;
    bool m_valid = false;
};

} // namespace tessivar
