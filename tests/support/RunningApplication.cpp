#include "support/RunningApplication.h"

#include "ModuleTestSupport.h"

#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

namespace tessivar::test {

namespace {
// A loaded machine may take this long to bring the window up.
constexpr int kStartTimeoutMs = 20000;
} // namespace

RunningApplication::RunningApplication(quint16 port, Window window)
    : m_window(window)
{
    m_options.minimized = window == Window::Hidden;
    m_options.splashHideDelayMs = 0;
    if (m_folder.isValid())
        configuration().setPort(port);
}

RunningApplication::~RunningApplication()
{
    stop();
}

bool RunningApplication::isValid() const
{
    return m_folder.isValid();
}

bool RunningApplication::installPlugin(const QString& libraryPath, const QString& folder)
{
    return test::installPlugin(libraryPath, folder);
}

void RunningApplication::useShortTimers()
{
    m_options.helloInterval = std::chrono::milliseconds(100);
    m_options.pingInterval = std::chrono::milliseconds(100);
    m_options.wakeUpInterval = std::chrono::milliseconds(100);
    m_options.checkLoadedSourcesDelay = std::chrono::milliseconds(50);
}

bool RunningApplication::start()
{
    m_application.reset();
    m_application = std::make_unique<TessivarServerApplication>(m_options, configuration());
    if (!m_application->isValid()) {
        qWarning("The application's main component could not be created");
        return false;
    }
    QSignalSpy ready(m_application.get(), &TessivarServerApplication::applicationReady);
    if (!ready.wait(kStartTimeoutMs)) {
        qWarning("The application was not ready within %d ms", kStartTimeoutMs);
        return false;
    }
    if (m_window == Window::Shown
        && !(m_application->mainWindow() && QTest::qWaitForWindowExposed(m_application->mainWindow()))) {
        qWarning("The main window was not shown");
        return false;
    }
    return true;
}

void RunningApplication::stop()
{
    // The application holds on to the settings: it goes first.
    m_application.reset();
    m_configuration.reset();
}

Configuration& RunningApplication::configuration()
{
    if (!m_configuration)
        m_configuration = std::make_unique<Configuration>(m_folder.filePath(QStringLiteral("config")));
    return *m_configuration;
}

} // namespace tessivar::test
