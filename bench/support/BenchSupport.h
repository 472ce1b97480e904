#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>

#include <functional>

namespace tessivar::bench {

// Benchmarks that open the server's sockets run only where nothing but loopback is up
// (inside scripts/in-private-network.sh): the server broadcasts to every interface.
inline bool onlyLoopbackIsUp()
{
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces())
        if (interface.flags().testFlag(QNetworkInterface::IsUp)
            && !interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            return false;
    return true;
}

// Turns the event loop until `condition` holds, for at most `timeoutMs`.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace tessivar::bench
