#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>

#include <algorithm>
#include <functional>
#include <vector>

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

// The median and the 99th percentile of durations given in nanoseconds, counted in units
// of `unitNanoseconds` (1e3 for microseconds, 1e6 for milliseconds).
struct Percentiles {
    double median = 0;
    double p99 = 0;
};

inline Percentiles percentilesOf(std::vector<qint64> nanoseconds, double unitNanoseconds)
{
    if (nanoseconds.empty())
        return {};
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&nanoseconds, unitNanoseconds](double share) {
        const size_t index = std::min(nanoseconds.size() - 1, size_t(share * double(nanoseconds.size())));
        return double(nanoseconds[index]) / unitNanoseconds;
    };
    return {at(0.5), at(0.99)};
}

} // namespace tessivar::bench
