#pragma once

#include "MacroModuleData.h"
#include "TessivarModuleInstance.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A macro block: a press on the device replays the recorded key events on the PC, with
// their pauses, on a worker thread. The worker only works on its own copy of the
// macro and on a state object it shares with the module, never on the module; the
// module's destructor cancels a replay in progress and waits for the worker.
class MacroModule : public TessivarModuleInstance
{
public:
    // Sends one key event. The default sends it to the desktop's input.
    using KeySender = std::function<void(const MacroKeyEvent_t&)>;

    MacroModule();
    ~MacroModule() override;

    void processData(const QVariantMap& data) override;

    bool isPlaying() const { return m_state->playing.load(); }
    // For tests: where replayed events go instead of the desktop.
    void setKeySender(KeySender sender) { m_keySender = std::move(sender); }

private:
    struct ReplayState {
        std::atomic<bool> playing{false};
        std::mutex mutex;
        std::condition_variable wake;
        bool cancelled = false;
    };
    static void playback(std::shared_ptr<ReplayState> state, MacroKeyEventList events, KeySender sender);
    static bool waitFor(ReplayState& state, std::int32_t delayMs);

    MacroModuleData m_data;
    std::shared_ptr<ReplayState> m_state = std::make_shared<ReplayState>();
    std::thread m_worker;
    KeySender m_keySender;
};
