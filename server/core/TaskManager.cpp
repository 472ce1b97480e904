#include "core/TaskManager.h"

#include <QQmlEngine>

namespace tessivar {

TaskManager& TaskManager::instance()
{
    static TaskManager manager;
    return manager;
}

TaskManager::TaskManager()
{
    // A value type: QML reaches its button enumeration by the type name.
    qmlRegisterUncreatableMetaObject(TaskCompletion::staticMetaObject, "com.tessivar.types", 1, 0, "TaskCompletion",
                                     QStringLiteral("Not creatable"));
    qRegisterMetaType<BaseTask*>("BaseTask*");
    qRegisterMetaType<TaskCompletion>("TaskCompletion");
}

void TaskManager::addTask(BaseTask* task)
{
    if (!task)
        return;
    connect(task, &BaseTask::started, this, [this, task] {
        for (const Entry& entry : std::as_const(m_tasks))
            if (entry.task == task)
                return Q_EMIT taskStarted(task);
    });
    connect(task, &BaseTask::finished, this, [this, task] {
        for (Entry& entry : m_tasks)
            if (entry.task == task) {
                entry.finished = task->isFinished();
                return Q_EMIT taskFinished(task);
            }
    });
    connect(task, &QObject::destroyed, this, [this, task] { onTaskDestroyed(task); });
    m_tasks.append({task, false});
}

int TaskManager::taskCount() const
{
    return m_tasks.size();
}

void TaskManager::onTaskDestroyed(BaseTask* task)
{
    for (qsizetype i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks.at(i).task != task)
            continue;
        if (!m_tasks.at(i).finished)
            Q_EMIT taskDeleted(task);
        m_tasks.removeAt(i);
        return;
    }
}

} // namespace tessivar
