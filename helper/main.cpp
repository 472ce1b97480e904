#include "core/Logging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

// The helper's commands (firewall rules, starting the server or the client) build on
// this entry point; for now it logs its call and reports that it knows no command.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    tessivar::initLogging(true, QStringLiteral("helper"), QCoreApplication::applicationDirPath() + QStringLiteral("/log/"));
    qInfo() << "Helper called with" << QCoreApplication::arguments().mid(1);
    qWarning() << "Unknown command";
    return 1;
}
