#include "CommandTable.h"
#include "FirewallCommand.h"
#include "ProgramLauncher.h"
#include "core/ApplicationConstants.h"
#include "core/ApplicationPaths.h"
#include "core/Logging.h"
#include "platform/Console.h"
#include "platform/PlatformNames.h"
#include "platform/Privileges.h"

#include <QCoreApplication>
#include <QDebug>

using namespace tessivar::helper;

namespace {

QString executable(const char* baseName)
{
    return QString::fromLatin1(baseName) + QString::fromLatin1(tessivar::platform::kExecutableSuffix);
}

bool runClient(const QStringList& arguments)
{
    qInfo() << "Starting Tessivar Client";
    return launchProgram(executable("tessivar-client"), QStringLiteral("Tessivar Client"), arguments);
}

bool runServer(const QStringList& arguments)
{
    qInfo() << "Starting Tessivar Server";
    return launchProgram(executable("tessivar"), QStringLiteral("Tessivar Server"), arguments);
}

} // namespace

// One job per run, no event loop: add the firewall exception of a program, or start the
// server or the client.
int main(int argc, char* argv[])
{
    tessivar::platform::attachParentConsole();
    QCoreApplication application(argc, argv);
    // The server's names, so that an installed helper shares the server's data folder.
    QCoreApplication::setOrganizationName(QString::fromLatin1(tessivar::kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(tessivar::kApplicationName));
    // As root (through pkexec) every folder takes files, so no folder of its own says
    // where: it logs to the system's log. Otherwise beside the program when its folder
    // takes files, as the helper always did; installed in a folder it cannot write, in
    // the user's data folder with the server's log.
    if (tessivar::platform::runningAsRoot()) {
        tessivar::initSystemLogging(QStringLiteral("tessivar-helper"));
    } else {
        const tessivar::ApplicationPaths& paths = tessivar::ApplicationPaths::instance();
        const QString logDirectory = paths.layout() == tessivar::ApplicationPaths::Layout::Installed
            ? paths.logDirectory()
            : QCoreApplication::applicationDirPath() + QStringLiteral("/log/");
        tessivar::initLogging(true, QStringLiteral("helper"), logDirectory);
    }

    const CommandTable firewallCommands{{QStringLiteral("--add-rule"), handleAddRule}};
    const CommandTable runCommands{{QStringLiteral("client"), runClient}, {QStringLiteral("server"), runServer}};
    const CommandTable commands{
        {QStringLiteral("firewall"),
         [&](const QStringList& arguments) { return dispatchSubCommand(firewallCommands, "firewall", arguments); }},
        {QStringLiteral("run"),
         [&](const QStringList& arguments) { return dispatchSubCommand(runCommands, "run", arguments); }},
    };
    const bool succeeded = dispatchTopLevel(commands, QCoreApplication::arguments().mid(1));
    return succeeded ? 0 : 1;
}
