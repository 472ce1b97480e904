#include "app/BaseTask.h"
#include "app/SimpleTask.h"
#include "app/TaskManager.h"

#include <QSignalSpy>
#include <QTest>

using namespace tessivar;

// Tasks as the task widget sees them through the task manager's signals.
class TestTasks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completionOffersExactlyItsButtons()
    {
        int yes = 0;
        int no = 0;
        TaskCompletion completion({{TaskCompletion::Yes, [&] { ++yes; }}, {TaskCompletion::No, [&] { ++no; }}});
        QCOMPARE(completion.buttons, int(TaskCompletion::YesNo));
        completion.run(TaskCompletion::Ok);
        completion.run(TaskCompletion::Yes);
        QCOMPARE(yes, 1);
        QCOMPARE(no, 0);
        QCOMPARE(TaskCompletion().buttons, int(TaskCompletion::Ok));
    }

    void completeRunsMatchingActionAndAlwaysSignals()
    {
        int ok = 0;
        BaseTask task(QStringLiteral("Export"));
        task.setCompletion(TaskCompletion({{TaskCompletion::Ok, [&] { ++ok; }}}));
        QSignalSpy completed(&task, &BaseTask::completed);
        task.complete(TaskCompletion::Yes);
        QCOMPARE(ok, 0);
        QCOMPARE(completed.count(), 1);
        QVERIFY(QMetaObject::invokeMethod(&task, "complete", Q_ARG(tessivar::TaskCompletion::Button, TaskCompletion::Ok)));
        QCOMPARE(ok, 1);
        QCOMPARE(completed.count(), 2);
    }

    void managerAnnouncesListedTasksOnly()
    {
        TaskManager& manager = TaskManager::instance();
        QSignalSpy started(&manager, &TaskManager::taskStarted);
        QSignalSpy finished(&manager, &TaskManager::taskFinished);
        QSignalSpy deleted(&manager, &TaskManager::taskDeleted);

        BaseTask unlisted(QStringLiteral("silent"));
        unlisted.start();
        unlisted.finish();
        QCOMPARE(started.count(), 0);

        auto task = std::make_unique<BaseTask>(QStringLiteral("Import"));
        manager.addTask(task.get());
        task->start();
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.at(0).at(0).value<BaseTask*>(), task.get());
        QVERIFY(task->startTime() > 0);
        task->finish();
        QCOMPARE(finished.count(), 1);
        task.reset();
        QCOMPARE(deleted.count(), 0); // it finished: gone quietly
        QCOMPARE(manager.taskCount(), 0);

        auto abandoned = std::make_unique<BaseTask>(QStringLiteral("Abandoned"));
        manager.addTask(abandoned.get());
        abandoned->start();
        abandoned.reset();
        QCOMPARE(deleted.count(), 1);
    }

    void simpleTaskPollsUntilConditionHolds()
    {
        TaskManager& manager = TaskManager::instance();
        QSignalSpy finished(&manager, &TaskManager::taskFinished);
        QSignalSpy deleted(&manager, &TaskManager::taskDeleted);
        bool done = false;
        int ok = 0;
        auto task = std::make_unique<SimpleTask>(1, [&] { return done; }, QStringLiteral("Transfer"), [&] { ++ok; });
        manager.addTask(task.get());
        task->start();
        QTest::qWait(20);
        QCOMPARE(finished.count(), 0);
        done = true;
        QTRY_COMPARE(finished.count(), 1);
        task->complete(TaskCompletion::Ok);
        QCOMPARE(ok, 1);
        // A polled task never sets its finished flag, so its end is announced as a deletion.
        task.reset();
        QCOMPARE(deleted.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTasks)
#include "tst_tasks.moc"
