#pragma once

#include "core/BaseTask.h"

#include <QList>
#include <QObject>

namespace tessivar {

// Announces the start and end of every task added to it; the QML task widget listens.
class TaskManager : public QObject
{
    Q_OBJECT

public:
    static TaskManager& instance();

    void addTask(BaseTask* task);
    int taskCount() const;

Q_SIGNALS:
    void taskStarted(tessivar::BaseTask* task);
    void taskFinished(tessivar::BaseTask* task);
    void taskDeleted(tessivar::BaseTask* task);

private:
    TaskManager();
    void onTaskDestroyed(BaseTask* task);

    struct Entry {
        BaseTask* task;
        bool finished; // kept here: the object is gone by the time destroyed() arrives
    };
    QList<Entry> m_tasks;
};

} // namespace tessivar
