#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QMenu;
class QQuickWindow;

namespace tessivar {

class Configuration;

// The tray icon with its menu and messages, and the main and splash windows: finding
// them in the loaded QML, fitting the main window to its screen, and hiding, raising or
// closing it as the settings ask.
class TrayAndWindows : public QObject
{
    Q_OBJECT

public:
    explicit TrayAndWindows(Configuration& configuration, QObject* parent = nullptr);
    ~TrayAndWindows() override;

    // Finds "window_Main" and "window_Splash" among the children of the QML root object.
    void findWindows(QObject* root);
    void buildTray();
    // The main window shown (unless minimized) and the splash hidden after the delay.
    void showAtStart(bool minimized, int splashHideDelayMs);

    QQuickWindow* mainWindow() const;
    QQuickWindow* splashWindow() const;
    QSystemTrayIcon& trayIcon();
    QMenu* trayMenu() const;
    // Tray message clicks go to `onClick` from now on, replacing any earlier routing.
    void routeTrayMessageClick(const std::function<void()>& onClick);

public Q_SLOTS:
    void raiseMainWindow();
    void closeWindow();
    void minimizeWindow();
    void notifyTrayMinimized();
    void handleTrayIconActivated(QSystemTrayIcon::ActivationReason activationReason);
    void handleTrayMessageClickMinimized();
    void handleTrayExitClicked();

private:
    void fitMainWindowToScreen();
    void routeTrayMessageClick(void (TrayAndWindows::*handler)());

    Configuration& m_configuration;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_splashWindow;
    QSystemTrayIcon m_trayIcon;
    std::unique_ptr<QMenu> m_trayMenu;
    QMetaObject::Connection m_trayMessageRouting;
};

} // namespace tessivar
