#include "app/ApplicationFonts.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignalWatcher.h"
#include "app/TessivarServerApplication.h"
#include "core/ApplicationConstants.h"
#include "core/ApplicationPaths.h"
#include "core/Configuration.h"
#include "core/Logging.h"
#include "core/StartupTrace.h"
#include "platform/Console.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// "--help" and "--version" are answered before anything needs a display or writes logs.
std::optional<int> answerInformationRequest(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tessivar, the desktop server for remote dashboards."));
    parser.addOption({QStringLiteral("minimized"), QStringLiteral("Start in the tray, the window hidden.")});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Other arguments go on to Qt (-platform and the like); they are not ours to refuse.
    parser.parse(arguments);
    if (parser.isSet(version)) {
        std::printf("tessivar %s\n", qPrintable(tessivar::softwareVersion().toString()));
        return 0;
    }
    if (parser.isSet(help)) {
        QCoreApplication information(argc, argv); // the usage line names the program
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    tessivar::startupMark("main");
    // A GUI program on Windows: "--help" still reaches the console it was started from.
    tessivar::platform::attachParentConsole();
    if (const std::optional<int> answered = answerInformationRequest(argc, argv))
        return *answered;

    const QString directory = tessivar::ApplicationPaths::instance().logDirectory();
    const bool logDebug = tessivar::Configuration::instance().LogDebug();
    tessivar::initLogging(logDebug, QStringLiteral("desktop"), directory);
    tessivar::startupMark("logging");

    QApplication application(argc, argv);
    tessivar::startupMark("QApplication");
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/Images/Icon_taskbar.ico")));
    QApplication::setApplicationDisplayName(QString::fromLatin1(tessivar::kApplicationDisplayName));
    tessivar::ApplicationFonts fonts;
    QApplication::setOrganizationName(QString::fromLatin1(tessivar::kOrganisationName));
    QApplication::setOrganizationDomain(QString::fromLatin1(tessivar::kOrganisationDomain));
    QApplication::setApplicationName(QString::fromLatin1(tessivar::kApplicationName));
    // The window can be hidden to the tray; only an explicit quit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start for the same settings shows the running program and ends.
    const bool minimized = QApplication::arguments().contains(QStringLiteral("--minimized"));
    tessivar::SingleInstance instance(tessivar::Configuration::instance().fileName());
    if (instance.handOver(minimized ? tessivar::SingleInstance::Request::Nothing
                                    : tessivar::SingleInstance::Request::Show))
        return 0;
    instance.listen();
    tessivar::startupMark("single instance");

    tessivar::TessivarServerApplication::Options options
        = tessivar::TessivarServerApplication::optionsFromArguments(QApplication::arguments());
    options.beforeWindowsCreated = [&fonts] {
        fonts.waitUntilRegistered();
        tessivar::startupMark("fonts waited for");
    };
    auto server = std::make_unique<tessivar::TessivarServerApplication>(options, tessivar::Configuration::instance());
    QObject::connect(server.get(), &QObject::destroyed, [] { tessivar::restorePreviousHandler(); });
    if (!server->isValid())
        return 1;
    tessivar::startupMark("application constructed");
    QObject::connect(&instance, &tessivar::SingleInstance::showRequested, server.get(),
                     &tessivar::TessivarServerApplication::raiseMainWindow);

    tessivar::TerminationSignalWatcher termination;
    QObject::connect(&termination, &tessivar::TerminationSignalWatcher::terminationRequested, &application,
                     [] { QCoreApplication::exit(0); });

    const int result = QApplication::exec();
    server.reset();
    return result;
}
