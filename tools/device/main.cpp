// tessivar-device: a client device on the command line, to try a server's blocks
// without a phone. See --help.
#include "DeviceOptions.h"
#include "DeviceRun.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

bool verbose = false;

// The protocol code logs what it rejects; a user of the command line sees those lines
// only when asking for them (--verbose), and never the debug chatter.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg || (verbose && type != QtDebugMsg)) {
        QTextStream(stderr) << message << Qt::endl;
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessivar-device"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5.1"));
    QStringList arguments = QCoreApplication::arguments();
    verbose = arguments.removeAll(QStringLiteral("--verbose")) > 0;
    qInstallMessageHandler(messageHandler);

    const tessivar::devicecli::ParsedOptions parsed = tessivar::devicecli::parseDeviceOptions(arguments);
    if (!parsed.options) {
        QTextStream(parsed.exitCode == 0 ? stdout : stderr) << parsed.message << Qt::endl;
        if (parsed.exitCode != 0)
            QTextStream(stderr) << "Try tessivar-device --help" << Qt::endl;
        return parsed.exitCode;
    }
    tessivar::devicecli::DeviceRun run(*parsed.options);
    QObject::connect(
        &run, &tessivar::devicecli::DeviceRun::finished, &application,
        [](int exitCode) { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
    run.start();
    return QCoreApplication::exec();
}
