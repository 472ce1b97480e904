#include "core/ApplicationConstants.h"
#include "core/ApplicationPaths.h"
#include "core/Configuration.h"
#include "core/Logging.h"
#include "app/TerminationSignalWatcher.h"
#include "app/TessivarServerApplication.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>

#include <memory>

int main(int argc, char* argv[])
{
    const QString directory = tessivar::ApplicationPaths::instance().logDirectory();
    const bool logDebug = tessivar::Configuration::instance().LogDebug();
    tessivar::initLogging(logDebug, QStringLiteral("desktop"), directory);

    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/Images/Icon_taskbar.ico")));
    QApplication::setApplicationDisplayName(QString::fromLatin1(tessivar::kApplicationDisplayName));
    for (const char* font : {"Bold", "Light", "Medium", "Regular", "Thin"})
        QFontDatabase::addApplicationFont(QStringLiteral(":/font/Font/Roboto-%1.ttf").arg(QLatin1String(font)));
    QApplication::setFont(QFont(QStringLiteral("Roboto-Thin")));
    QApplication::setOrganizationName(QString::fromLatin1(tessivar::kOrganisationName));
    QApplication::setOrganizationDomain(QString::fromLatin1(tessivar::kOrganisationDomain));
    QApplication::setApplicationName(QString::fromLatin1(tessivar::kApplicationName));
    // The window can be hidden to the tray; only an explicit quit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    auto server = std::make_unique<tessivar::TessivarServerApplication>(QApplication::arguments());
    QObject::connect(server.get(), &QObject::destroyed, [] { tessivar::restorePreviousHandler(); });
    if (!server->isValid())
        return 1;

    tessivar::TerminationSignalWatcher termination;
    QObject::connect(&termination, &tessivar::TerminationSignalWatcher::terminationRequested, &application,
                     [] { QCoreApplication::exit(0); });

    const int result = QApplication::exec();
    server.reset();
    return result;
}
