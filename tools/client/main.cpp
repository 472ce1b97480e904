// tessivar-client: a device of the local network that shows a Tessivar server's
// dashboard in a window. See --help.
#include "ClientController.h"
#include "ClientOptions.h"
#include "ClientQml.h"
#include "VisibleTextDump.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "platform/QuitSignals.h"

#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSocketNotifier>
#include <QTextStream>

#include <memory>

namespace {

// Qt 6.4 has no colour scheme hint: a dark window colour means a dark system.
bool paletteIsDark()
{
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

// Follows the system's switch between light and dark while the window is open.
class PaletteWatcher : public QObject
{
public:
    explicit PaletteWatcher(QQmlContext* context)
        : m_context(context)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange)
            m_context->setContextProperty(QStringLiteral("systemPaletteIsDark"), paletteIsDark());
        return QObject::eventFilter(watched, event);
    }

private:
    QQmlContext* m_context;
};

} // namespace

int main(int argc, char* argv[])
{
    // Read before QGuiApplication, which takes X11's -name (and --name) for itself.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Tessivar"));
    QGuiApplication::setApplicationName(QStringLiteral("tessivar-client"));
    QGuiApplication::setApplicationVersion(tessivar::softwareVersion().toString());

    const auto parsed = tessivar::client::parseClientOptions(arguments);
    if (!parsed.options) {
        QTextStream(parsed.exitCode == 0 ? stdout : stderr) << parsed.message << Qt::endl;
        return parsed.exitCode;
    }
    const tessivar::client::ClientOptions& options = *parsed.options;
    const auto folders = tessivar::client::ClientController::defaultFolders();
    QDir().mkpath(folders.data);
    tessivar::initLogging(true, QStringLiteral("client"), folders.data + QStringLiteral("/log/"));

    tessivar::client::registerClientQml();
    tessivar::client::ClientController controller(options, folders);
    QQmlApplicationEngine engine;
    QQmlContext* context = engine.rootContext();
    context->setContextProperty(QStringLiteral("controller"), &controller);
    context->setContextProperty(QStringLiteral("startFullscreen"), options.fullscreen);
    context->setContextProperty(QStringLiteral("colorScheme"), options.colorScheme);
    context->setContextProperty(QStringLiteral("systemPaletteIsDark"), paletteIsDark());
    PaletteWatcher paletteWatcher(context);
    application.installEventFilter(&paletteWatcher);
    engine.load(QUrl(QStringLiteral("qrc:/client/Main.qml")));
    auto* window = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine.rootObjects().first());
    if (!window) {
        qCritical() << "The client's window did not load";
        return 1;
    }
    std::unique_ptr<tessivar::client::VisibleTextDump> dump;
    if (!options.dumpFile.isEmpty())
        dump = std::make_unique<tessivar::client::VisibleTextDump>(window, options.dumpFile);

    std::unique_ptr<QSocketNotifier> quitNotifier;
    const int descriptor = tessivar::platform::installQuitSignalPipe();
    if (descriptor >= 0) {
        quitNotifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        QObject::connect(quitNotifier.get(), &QSocketNotifier::activated, &application, [descriptor] {
            tessivar::platform::takeQuitSignal(descriptor);
            QGuiApplication::quit();
        });
    }
    controller.start();
    const int exitCode = QGuiApplication::exec();
    tessivar::restorePreviousHandler();
    return exitCode;
}
