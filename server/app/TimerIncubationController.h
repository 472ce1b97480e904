#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QQmlIncubationController>

namespace tessivar {

// Drives asynchronous QML loading from the event loop. A window's own controller only
// advances while that window renders, so a hidden splash (or "--minimized") would
// leave the main window loading forever.
class TimerIncubationController : public QObject, public QQmlIncubationController
{
    Q_OBJECT

public:
    explicit TimerIncubationController(QObject* parent = nullptr);

protected:
    void incubatingObjectCountChanged(int count) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Each slice leaves the event loop free for input and painting in between.
    static constexpr int kSliceMs = 8;
    QBasicTimer m_timer;
};

} // namespace tessivar
