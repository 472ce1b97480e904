#pragma once

#include "core/BaseTask.h"

#include <QTimer>

#include <functional>

namespace tessivar {

// A task that polls a condition until it holds.
class SimpleTask : public BaseTask
{
    Q_OBJECT

public:
    using Condition = std::function<bool()>;

    SimpleTask(int intervalMs, Condition condition, const QString& description, TaskCompletion::Action onOk,
               QObject* parent = nullptr);

    void start() override;
    // Finished from outside: the condition is no longer polled, so it ends once.
    void finish() override;

private:
    void poll();

    QTimer m_pollTimer;
    Condition m_condition;
};

} // namespace tessivar
