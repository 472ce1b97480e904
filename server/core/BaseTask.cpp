#include "core/BaseTask.h"

#include <QDeadlineTimer>

namespace tessivar {

BaseTask::BaseTask(const QString& description, QObject* parent)
    : QObject(parent)
    , m_description(description)
{
    connect(this, &BaseTask::started, this, [this] { m_startTime = QDeadlineTimer::current().deadline(); });
}

void BaseTask::start()
{
    m_running = true;
    Q_EMIT started();
}

void BaseTask::finish()
{
    if (m_running)
        m_finished = true;
    Q_EMIT finished();
}

void BaseTask::complete(TaskCompletion::Button button)
{
    m_completion.run(button);
    Q_EMIT completed();
}

QString BaseTask::description() const
{
    return m_description;
}

void BaseTask::setDescription(const QString& description)
{
    m_description = description;
    Q_EMIT descriptionChanged();
}

TaskCompletion BaseTask::completion() const
{
    return m_completion;
}

void BaseTask::setCompletion(const TaskCompletion& completion)
{
    m_completion = completion;
    Q_EMIT completionChanged();
}

bool BaseTask::isRunning() const
{
    return m_running;
}

bool BaseTask::isFinished() const
{
    return m_finished;
}

qint64 BaseTask::startTime() const
{
    return m_startTime;
}

} // namespace tessivar
