#include "core/WriteThrottle.h"

namespace tessivar {

WriteThrottle::WriteThrottle(std::function<void()> write, std::chrono::milliseconds interval)
    : m_write(std::move(write))
    , m_interval(interval)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Write(); });
}

WriteThrottle::~WriteThrottle() = default;

void WriteThrottle::Request()
{
    if (m_timer.isActive())
        return;
    const std::chrono::milliseconds waited(m_sinceLastWrite.isValid() ? m_sinceLastWrite.elapsed() : 0);
    if (!m_sinceLastWrite.isValid() || waited >= m_interval) {
        Write();
        return;
    }
    m_timer.start(m_interval - waited);
}

void WriteThrottle::Flush()
{
    if (m_timer.isActive())
        Write();
}

bool WriteThrottle::IsPending() const
{
    return m_timer.isActive();
}

void WriteThrottle::Write()
{
    m_timer.stop();
    m_sinceLastWrite.start();
    m_write();
}

} // namespace tessivar
