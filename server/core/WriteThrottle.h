#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tessivar {

// Runs a write at once when none ran lately, otherwise once at the end of the interval
// for every request made meanwhile. A settings write is synced to disk (tens of
// milliseconds): two hundred devices arriving together must not cost one per event.
class WriteThrottle
{
public:
    // Writes closer together than this are merged into one.
    static constexpr std::chrono::milliseconds kDefaultInterval{250};

    explicit WriteThrottle(std::function<void()> write, std::chrono::milliseconds interval = kDefaultInterval);
    // Does not write: the owner flushes while it can still write.
    ~WriteThrottle();

    void Request();
    // Writes now if a write is waiting.
    void Flush();
    bool IsPending() const;

private:
    void Write();

    std::function<void()> m_write;
    std::chrono::milliseconds m_interval;
    QElapsedTimer m_sinceLastWrite;
    QTimer m_timer;
};

} // namespace tessivar
