#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>

namespace tessivar::network {

// Mouse position and desktop geometry for QML, which drags the frameless main window
// within the desktop with them.
class DesktopInformationProvider : public QObject
{
    Q_OBJECT

public:
    explicit DesktopInformationProvider(QObject* parent = nullptr);

    Q_INVOKABLE QPointF absoluteMousePosition() const;
    // The primary screen's available virtual geometry; empty without a screen.
    Q_INVOKABLE QRectF virtualDesktopGeometry() const;
    // The available geometry of the focused window's screen; empty without one.
    Q_INVOKABLE QRectF currentMonitorGeometry() const;
};

} // namespace tessivar::network
