#include "network/DesktopInformationProvider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace tessivar::network {

DesktopInformationProvider::DesktopInformationProvider(QObject* parent)
    : QObject(parent)
{
}

QPointF DesktopInformationProvider::absoluteMousePosition() const
{
    return QCursor::pos();
}

QRectF DesktopInformationProvider::virtualDesktopGeometry() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? QRectF(screen->availableVirtualGeometry()) : QRectF();
}

QRectF DesktopInformationProvider::currentMonitorGeometry() const
{
    const QWindow* window = QGuiApplication::focusWindow();
    const QScreen* screen = window ? window->screen() : nullptr;
    return screen ? QRectF(screen->availableGeometry()) : QRectF();
}

} // namespace tessivar::network
