// SIGINT and SIGTERM become a byte on a pipe (the self-pipe trick), because nothing
// but async-signal-safe calls may run inside a signal handler.
#include "platform/QuitSignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tessivar::platform {

namespace {

int g_pipe[2] = {-1, -1};

void onQuitSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

int installQuitSignalPipe()
{
    if (g_pipe[0] >= 0)
        return g_pipe[0];
    if (::pipe(g_pipe) != 0)
        return -1;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return g_pipe[0];
}

int takeQuitSignal(int descriptor)
{
    unsigned char byte = 0;
    if (::read(descriptor, &byte, 1) != 1)
        return 0;
    return byte;
}

} // namespace tessivar::platform
