#include "app/TrayAndWindows.h"

#include "core/Configuration.h"
#include "core/Logging.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QMenu>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>

namespace tessivar {

namespace {
// How long the tray's "still running" message stays up.
constexpr int kTrayMessageDurationMs = 5000;
} // namespace

TrayAndWindows::TrayAndWindows(Configuration& configuration, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_trayMenu(std::make_unique<QMenu>())
    , m_trayAvailable(QSystemTrayIcon::isSystemTrayAvailable())
{
}

void TrayAndWindows::setTrayAvailable(bool available)
{
    if (available == m_trayAvailable)
        return;
    m_trayAvailable = available;
    Q_EMIT trayAvailableChanged();
}

bool TrayAndWindows::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: a window being destroyed still sends its hide events here, and
    // reading the guarded pointer then would cast a half-destroyed window.
    if (event->type() == QEvent::Close && !m_quitting && watched == m_mainWindow) {
        event->ignore();
        // After the event: quitting closes the windows, which must not happen inside it.
        QMetaObject::invokeMethod(this, &TrayAndWindows::closeWindow, Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TrayAndWindows::quit()
{
    m_quitting = true;
    QCoreApplication::quit();
}

TrayAndWindows::~TrayAndWindows() = default;

QQuickWindow* TrayAndWindows::mainWindow() const
{
    return m_mainWindow;
}

QQuickWindow* TrayAndWindows::splashWindow() const
{
    return m_splashWindow;
}

QSystemTrayIcon& TrayAndWindows::trayIcon()
{
    return m_trayIcon;
}

QMenu* TrayAndWindows::trayMenu() const
{
    return m_trayMenu.get();
}

void TrayAndWindows::findWindows(QObject* root)
{
    const QList<QQuickWindow*> windows = root->findChildren<QQuickWindow*>();
    for (QQuickWindow* window : windows) {
        if (window->objectName() == QLatin1String("window_Splash"))
            m_splashWindow = window;
        else if (window->objectName() == QLatin1String("window_Main"))
            m_mainWindow = window;
    }
    if (!m_mainWindow)
        qCWarning(lcApp) << "Main window not found";
    else
        m_mainWindow->installEventFilter(this);
}

void TrayAndWindows::buildTray()
{
    QAction* show = m_trayMenu->addAction(tr("Show"));
    connect(show, &QAction::triggered, this, &TrayAndWindows::raiseMainWindow);
    QAction* exitAction = m_trayMenu->addAction(tr("Exit"));
    connect(exitAction, &QAction::triggered, this, &TrayAndWindows::handleTrayExitClicked);
    m_trayIcon.setIcon(QIcon(QStringLiteral(":/icon/Images/Icon_systemtray.png")));
    m_trayIcon.setContextMenu(m_trayMenu.get());
    m_trayIcon.setVisible(true);
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this, &TrayAndWindows::handleTrayIconActivated);
    connect(qApp, &QCoreApplication::aboutToQuit, &m_trayIcon, &QSystemTrayIcon::hide);
}

void TrayAndWindows::showAtStart(bool minimized, int splashHideDelayMs)
{
    if (!minimized && m_mainWindow) {
        fitMainWindowToScreen();
        m_mainWindow->show();
    }
    QTimer::singleShot(splashHideDelayMs, this, [this] {
        if (!m_splashWindow)
            return;
        m_splashWindow->hide();
        // Never shown again in this run: its picture and its window's buffers would
        // otherwise stay for the whole session in the tray.
        m_splashWindow->deleteLater();
    });
}

void TrayAndWindows::fitMainWindowToScreen()
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

void TrayAndWindows::raiseMainWindow()
{
    if (!m_mainWindow)
        return;
    m_mainWindow->show();
    QMetaObject::invokeMethod(m_mainWindow, "raise");
}

void TrayAndWindows::minimizeWindow()
{
    if (!m_mainWindow)
        return;
    if (m_configuration.MinimizeToTray() && m_trayAvailable) {
        m_mainWindow->hide();
        notifyTrayMinimized();
    } else {
        m_mainWindow->showMinimized();
    }
}

void TrayAndWindows::closeWindow()
{
    if (m_configuration.CloseToTray() && m_trayAvailable) {
        if (m_mainWindow)
            m_mainWindow->hide();
        notifyTrayMinimized();
    } else {
        quit();
    }
}

void TrayAndWindows::routeTrayMessageClick(void (TrayAndWindows::*handler)())
{
    disconnect(m_trayMessageRouting);
    m_trayMessageRouting = connect(&m_trayIcon, &QSystemTrayIcon::messageClicked, this, handler);
}

void TrayAndWindows::routeTrayMessageClick(const std::function<void()>& onClick)
{
    disconnect(m_trayMessageRouting);
    m_trayMessageRouting = connect(&m_trayIcon, &QSystemTrayIcon::messageClicked, this, onClick);
}

void TrayAndWindows::notifyTrayMinimized()
{
    if (!QSystemTrayIcon::supportsMessages() || m_configuration.TrayMessageShown())
        return;
    routeTrayMessageClick(&TrayAndWindows::handleTrayMessageClickMinimized);
    m_trayIcon.showMessage(tr("The application is still running"),
                           tr("Change this behaviour in the settings.\nClick to not show this message again."),
                           QSystemTrayIcon::Information, kTrayMessageDurationMs);
}

void TrayAndWindows::handleTrayMessageClickMinimized()
{
    m_configuration.setTrayMessageShown(true);
}

void TrayAndWindows::handleTrayIconActivated(QSystemTrayIcon::ActivationReason activationReason)
{
    if (activationReason == QSystemTrayIcon::Trigger)
        raiseMainWindow();
}

void TrayAndWindows::handleTrayExitClicked()
{
    if (m_mainWindow)
        m_mainWindow->hide();
    quit();
}

} // namespace tessivar
