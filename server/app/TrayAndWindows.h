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

    // Whether the desktop shows tray icons (QSystemTrayIcon::isSystemTrayAvailable() at
    // construction). Without a tray, hiding the window would leave no way back, so the
    // window then minimises and closes as if MinimizeToTray and CloseToTray were off.
    bool trayAvailable() const { return m_trayAvailable; }
    void setTrayAvailable(bool available);

    // Finds "window_Main" and "window_Splash" among the children of the QML root object.
    void findWindows(QObject* root);
    void buildTray();
    // The main window shown (unless minimized); the splash hidden after the delay, then released.
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

Q_SIGNALS:
    void trayAvailableChanged();

protected:
    // The window manager's close (Alt+F4, a taskbar's "Close window") goes the way of
    // the close button.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void quit();
    void fitMainWindowToScreen();
    void routeTrayMessageClick(void (TrayAndWindows::*handler)());

    Configuration& m_configuration;
    QPointer<QQuickWindow> m_mainWindow;
    QPointer<QQuickWindow> m_splashWindow;
    QSystemTrayIcon m_trayIcon;
    std::unique_ptr<QMenu> m_trayMenu;
    QMetaObject::Connection m_trayMessageRouting;
    bool m_trayAvailable;
    // Set once the program ends: closing the windows then goes through.
    bool m_quitting = false;
};

} // namespace tessivar
