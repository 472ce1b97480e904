#include "core/TaskCompletion.h"

namespace tessivar {

TaskCompletion::TaskCompletion(const QMap<Button, Action>& buttonActions)
    : buttons(None)
    , actions(buttonActions)
{
    for (auto it = buttonActions.cbegin(); it != buttonActions.cend(); ++it)
        buttons |= it.key();
}

void TaskCompletion::run(Button button) const
{
    const auto it = actions.constFind(button);
    if (it != actions.cend() && *it)
        (*it)();
}

} // namespace tessivar
