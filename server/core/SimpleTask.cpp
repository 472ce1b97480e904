#include "core/SimpleTask.h"

#include "core/Logging.h"

#include <QDebug>

namespace tessivar {

SimpleTask::SimpleTask(int intervalMs, Condition condition, const QString& description, TaskCompletion::Action onOk,
                       QObject* parent)
    : BaseTask(description, parent)
    , m_condition(std::move(condition))
{
    m_pollTimer.setInterval(intervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &SimpleTask::poll);
    m_completion = TaskCompletion({{TaskCompletion::Ok, std::move(onOk)}});
}

void SimpleTask::start()
{
    qCInfo(lcCore) << "Starting task" << m_description;
    m_pollTimer.start();
    Q_EMIT started();
}

void SimpleTask::finish()
{
    m_pollTimer.stop();
    BaseTask::finish();
}

void SimpleTask::poll()
{
    if (!m_condition || !m_condition())
        return;
    qCInfo(lcCore) << "Task" << m_description << "finished";
    m_pollTimer.stop();
    Q_EMIT finished();
}

} // namespace tessivar
