#pragma once

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>

namespace tessivar {

// What a finished task shows in its result popup, and what each offered button does.
class TaskCompletion
{
    Q_GADGET
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString message MEMBER message)
    Q_PROPERTY(int buttons MEMBER buttons)

public:
    enum Button {
        None = 0,
        Ok = 1,
        Yes = 2,
        No = 4,
        YesNo = Yes | No,
    };
    Q_ENUM(Button)

    using Action = std::function<void()>;

    TaskCompletion() = default;
    // Offers exactly the buttons of the map.
    explicit TaskCompletion(const QMap<Button, Action>& buttonActions);

    // Runs the action of exactly that button, if there is one.
    void run(Button button) const;

    QString title;
    QString message;
    int buttons = Ok;
    QMap<Button, Action> actions;
};

} // namespace tessivar

Q_DECLARE_METATYPE(tessivar::TaskCompletion)
