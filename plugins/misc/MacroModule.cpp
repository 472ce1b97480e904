#include "MacroModule.h"

#include "platform/KeyInput.h"

#include <QLoggingCategory>
#include <QString>

#include <algorithm>
#include <chrono>

namespace {
// The longest single sleep of a pause; longer pauses are waited in several.
constexpr std::int64_t kLongestSleepMs = 86400000;
} // namespace

MacroModule::MacroModule()
    : TessivarModuleInstance(&m_data)
{
}

MacroModule::~MacroModule()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->cancelled = true;
    }
    m_state->wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void MacroModule::processData(const QVariantMap&)
{
    // Claimed here rather than by the worker, so that a second press right after the
    // first is ignored too and never waits for the first replay to end.
    if (m_state->playing.exchange(true))
        return;
    qDebug() << "Running Macro";
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread(&MacroModule::playback, m_state, m_data.decodeSequence(), m_keySender);
}

bool MacroModule::waitFor(ReplayState& state, std::int32_t delayMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(delayMs);
    std::unique_lock<std::mutex> lock(state.mutex);
    while (!state.cancelled && Clock::now() < deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        state.wake.wait_for(lock, std::min(left, std::chrono::milliseconds(kLongestSleepMs)));
    }
    return !state.cancelled;
}

void MacroModule::playback(std::shared_ptr<ReplayState> state, MacroKeyEventList events, KeySender sender)
{
    std::unique_ptr<tessivar::platform::KeyInjector> injector;
    if (!sender) {
        injector = std::make_unique<tessivar::platform::KeyInjector>();
        if (!injector->isAvailable())
            qWarning() << "Keyboard input cannot be synthesised on this desktop";
        else if (!injector->usesUinput() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
            qWarning() << "Keys are replayed through X11 and reach X11 windows only: /dev/uinput is not writable";
        sender = [&injector](const MacroKeyEvent_t& event) {
            injector->sendKey(event.virtualKey, event.scanCode, event.action == kMacroKeyReleased);
        };
    }
    for (const MacroKeyEvent_t& event : events) {
        if (event.delay > 0 && !waitFor(*state, event.delay))
            break;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->cancelled)
                break;
        }
        qDebug() << qPrintable(QStringLiteral("Playing event 0x%1").arg(event.virtualKey, 0, 16));
        sender(event);
    }
    state->playing.store(false);
}
