#include "CommandTable.h"
#include "FirewallCommand.h"
#include "ProgramLauncher.h"
#include "core/Logging.h"
#include "platform/PlatformNames.h"

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
    QCoreApplication application(argc, argv);
    tessivar::initLogging(true, QStringLiteral("helper"),
                          QCoreApplication::applicationDirPath() + QStringLiteral("/log/"));

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
