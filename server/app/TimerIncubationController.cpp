#include "app/TimerIncubationController.h"
#include "core/StartupTrace.h"

#include <QTimerEvent>

namespace tessivar {

TimerIncubationController::TimerIncubationController(QObject* parent)
    : QObject(parent)
{
}

void TimerIncubationController::incubatingObjectCountChanged(int count)
{
    if (count > 0 && !m_timer.isActive()) {
        startupMark("incubation starts");
        m_timer.start(0, this);
    } else if (count == 0)
        m_timer.stop();
}

void TimerIncubationController::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId())
        return QObject::timerEvent(event);
    incubateFor(kSliceMs);
}

} // namespace tessivar
