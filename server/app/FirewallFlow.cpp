#include "app/FirewallFlow.h"

#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "core/Logging.h"
#include "network/FirewallCheck.h"
#include "platform/Processes.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

namespace tessivar {

FirewallFlow::FirewallFlow(Configuration& configuration, network::FirewallCheck& check, QObject* parent)
    : FirewallFlow(configuration, check, Options{}, parent)
{
}

FirewallFlow::FirewallFlow(Configuration& configuration, network::FirewallCheck& check, Options options,
                           QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_check(check)
    , m_options(std::move(options))
{
    if (m_options.helperPath.isEmpty())
        m_options.helperPath = QDir::toNativeSeparators(helperProgramPath());
    connect(&m_check, &network::FirewallCheck::finished, this, &FirewallFlow::onCheckFinished);
}

bool FirewallFlow::applicationHasFirewallException()
{
    m_check.request();
    return m_check.state() != network::FirewallState_e::Blocked;
}

bool FirewallFlow::addApplicationFirewallException()
{
    return runHelper(QStringLiteral("firewall"),
                     {QStringLiteral("--add-rule"), QCoreApplication::applicationName(),
                      QDir::toNativeSeparators(QCoreApplication::applicationFilePath())},
                     true);
}

void FirewallFlow::prepare()
{
    if (!m_configuration.IgnoreFirewall() && !m_check.checked())
        m_check.request();
}

void FirewallFlow::checkAtStartup()
{
    if (m_configuration.IgnoreFirewall())
        return;
    m_startupAnswerPending = true;
    if (m_check.checked() && !m_check.running())
        onCheckFinished();
    else if (!m_check.running())
        m_check.request();
}

void FirewallFlow::onCheckFinished()
{
    if (!m_startupAnswerPending)
        return;
    m_startupAnswerPending = false;
    // "Unknown" asks nothing: adding the exception could not make the check pass.
    if (m_check.state() == network::FirewallState_e::Blocked)
        Q_EMIT firewallInformationRequested();
}

bool FirewallFlow::runHelper(const QString& command, const QStringList& arguments, bool elevated)
{
    const QString workingDirectory = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    std::vector<std::string> helperArguments{command.toStdString()};
    for (const QString& argument : arguments)
        helperArguments.push_back(argument.toStdString());
    const QString parameters = command
        + QString::fromStdString(platform::quotedParameters({helperArguments.begin() + 1, helperArguments.end()}));

    qCInfo(lcApp) << "Launching helper" << m_options.helperPath;
    qCInfo(lcApp) << "Parameters:" << parameters;
    qCInfo(lcApp) << "Working directory" << workingDirectory;
    const platform::WaitedRun run = platform::runAndWait(
        m_options.helperPath.toStdString(), helperArguments, workingDirectory.toStdString(), elevated,
        m_options.helperTimeoutMs, [] { qCInfo(lcApp) << "Waiting for helper to finish"; });
    if (run.status == platform::WaitedRun::Status::LaunchFailed) {
        qCWarning(lcApp).nospace() << "Helper failed to launch. Error: " << run.error;
        return false;
    }
    if (run.status == platform::WaitedRun::Status::TimedOut) {
        qCWarning(lcApp) << "Helper did not finish in time";
        return false;
    }
    qCInfo(lcApp) << "Helper action completed";
    if (run.status == platform::WaitedRun::Status::NoExitCode) {
        qCWarning(lcApp) << "Failed to get exit code";
        return false;
    }
    if (run.exitCode != 0) {
        qCWarning(lcApp) << "Exit code:" << run.exitCode;
        return false;
    }
    return true;
}

} // namespace tessivar
