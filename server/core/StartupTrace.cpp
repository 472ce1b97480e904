#include "core/StartupTrace.h"

#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdio>

namespace tessivar {

namespace {

struct StartupClock {
    StartupClock()
        : enabled(qEnvironmentVariableIsSet("TESSIVAR_STARTUP_TRACE"))
    {
        timer.start();
    }
    const bool enabled;
    QElapsedTimer timer;
};

// Started during static initialisation, before main.
const StartupClock startupClock;

} // namespace

void startupMark(const char* step)
{
    if (!startupClock.enabled)
        return;
    std::fprintf(stderr, "startup %8.2f ms %s\n", double(startupClock.timer.nsecsElapsed()) / 1e6, step);
    std::fflush(stderr);
}

} // namespace tessivar
