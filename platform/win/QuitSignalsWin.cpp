// Windows ends a GUI program at logout through window messages, which Qt turns into a
// normal quit; there is no signal descriptor to watch.
#include "platform/QuitSignals.h"

namespace tessivar::platform {

int installQuitSignalPipe()
{
    return -1;
}

int takeQuitSignal(int)
{
    return 0;
}

} // namespace tessivar::platform
