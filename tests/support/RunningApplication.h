#pragma once

#include "support/TestWorkingFolder.h"

#include "app/TessivarServerApplication.h"
#include "core/Configuration.h"

#include <QString>

#include <memory>

namespace tessivar::test {

// The whole server application for end-to-end tests, in a temporary working folder of
// its own (the current directory while the object lives) whose "config" carries the
// test's port. Minimized unless the window is wanted; then it is shown offscreen.
class RunningApplication
{
public:
    enum class Window { Hidden, Shown };

    explicit RunningApplication(quint16 port, Window window = Window::Hidden);
    ~RunningApplication();
    RunningApplication(const RunningApplication&) = delete;
    RunningApplication& operator=(const RunningApplication&) = delete;

    // False when the working folder could not be made.
    bool isValid() const;
    // Copies a built plugin library into "plugins/<folder>/", where the start finds it.
    bool installPlugin(const QString& libraryPath, const QString& folder);
    // Greetings, pings and wake-ups every 100 ms, loaded blocks checked after 50 ms.
    void useShortTimers();
    // What the next start() passes on; the splash screen goes at once.
    TessivarServerApplication::Options& options() { return m_options; }

    // Creates the application and waits until it is ready, and its window exposed when
    // shown. False, with the reason logged, when it does not come up.
    bool start();
    // Ends the application and closes the settings, as the program's end does: the next
    // start() reads "config" afresh.
    void stop();

    const TestWorkingFolder& folder() const { return m_folder; }
    // The settings the application runs with, opened on first use.
    Configuration& configuration();
    // Only between start() and stop().
    TessivarServerApplication& application() { return *m_application; }

private:
    TestWorkingFolder m_folder;
    Window m_window;
    TessivarServerApplication::Options m_options;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<TessivarServerApplication> m_application;
};

} // namespace tessivar::test
