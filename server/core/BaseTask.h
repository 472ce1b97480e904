#pragma once

#include "core/TaskCompletion.h"

#include <QObject>

namespace tessivar {

// A long operation shown to the user: a busy popup while it runs, a result popup
// with the completion's buttons once it has finished.
class BaseTask : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY descriptionChanged)
    Q_PROPERTY(tessivar::TaskCompletion completion READ completion NOTIFY completionChanged)

public:
    explicit BaseTask(const QString& description, QObject* parent = nullptr);

    virtual void start();
    virtual void finish();

    Q_INVOKABLE void complete(tessivar::TaskCompletion::Button button);

    QString description() const;
    void setDescription(const QString& description);
    TaskCompletion completion() const;
    void setCompletion(const TaskCompletion& completion);

    bool isRunning() const;
    bool isFinished() const;
    // Monotonic clock value (ms) when started() was emitted; 0 before.
    qint64 startTime() const;

Q_SIGNALS:
    void started();
    void finished();
    void completed();
    void descriptionChanged();
    void completionChanged();

protected:
    qint64 m_startTime = 0;
    QString m_description;
    TaskCompletion m_completion;
    bool m_running = false;
    bool m_finished = false;
};

} // namespace tessivar
