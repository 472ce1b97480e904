#include "network/FirewallCheck.h"

#include "core/Logging.h"
#include "network/FirewallStatus.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QStandardPaths>

namespace tessivar::network {

namespace {

// More output than any rule listing gives; the rest is not read.
constexpr qsizetype kToolOutputLimit = 4 * 1024 * 1024;

} // namespace

FirewallCheck::FirewallCheck(QObject* parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        qCWarning(lcNetwork) << "Firewall tool did not answer in time:"
                             << (m_process ? m_process->program() : QString());
        stopTool();
        platform::FirewallReading reading = m_reader ? m_reader->reading() : platform::FirewallReading{};
        reading.rules.clear();
        complete(reading, true);
    });
}

FirewallCheck::~FirewallCheck()
{
    m_timeout.stop();
    if (!m_process)
        return;
    // No event loop may be left to reap it later: the killed tool is reaped here, which
    // takes as long as the kernel needs to end it.
    m_process->disconnect(this);
    m_process->kill();
    m_process->waitForFinished(1000);
    delete m_process;
}

void FirewallCheck::request()
{
    if (running()) {
        m_again = true;
        return;
    }
    start();
}

void FirewallCheck::start()
{
    qCInfo(lcNetwork) << "Checking firewall status";
    const QString path = m_applicationPath.isEmpty() ? QDir::toNativeSeparators(QCoreApplication::applicationFilePath())
                                                     : m_applicationPath;
    m_reader = platform::startFirewallReading(path.toStdString(), m_readOptions);
    runNext();
}

void FirewallCheck::runNext()
{
    const std::vector<std::string> command = m_reader->nextCommand();
    if (command.empty()) {
        complete(m_reader->reading(), false);
        return;
    }
    // A tool that is not installed is not started: starting it would fork this whole
    // program only for the exec to fail. It fails the same way, after this call returns.
    const QString program = QStandardPaths::findExecutable(QString::fromStdString(command.front()));
    if (program.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { onToolFinished({false, -1, {}}); }, Qt::QueuedConnection);
        return;
    }
    QStringList arguments;
    for (auto argument = command.begin() + 1; argument != command.end(); ++argument)
        arguments << QString::fromStdString(*argument);
    m_output.clear();
    m_process = new QProcess(this);
    m_process->setStandardErrorFile(QProcess::nullDevice());
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray data = m_process->readAllStandardOutput();
        if (m_output.size() < kToolOutputLimit)
            m_output.append(data);
    });
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_output.append(m_process->readAllStandardOutput());
        onToolFinished({status == QProcess::NormalExit, exitCode, m_output.toStdString()});
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onToolFinished({false, -1, {}});
    });
    m_timeout.start(m_toolTimeout);
    m_process->start(program, arguments);
}

void FirewallCheck::onToolFinished(const platform::ToolOutcome& outcome)
{
    m_timeout.stop();
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    if (!m_reader)
        return;
    m_reader->commandFinished(outcome);
    runNext();
}

void FirewallCheck::stopTool()
{
    m_timeout.stop();
    if (!m_process)
        return;
    m_process->disconnect(this);
    // Killed, and reaped when it has gone: nothing waits for it here.
    QProcess* process = m_process;
    m_process = nullptr;
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->setParent(nullptr);
    process->kill();
}

void FirewallCheck::complete(const platform::FirewallReading& reading, bool timedOut)
{
    m_reader.reset();
    logFirewallReport(reading.report);
    m_rules.clear();
    for (const platform::FirewallRuleRecord& record : reading.rules)
        m_rules.append(firewallRuleFrom(record));
    m_profiles = currentProfilesFromMask(reading.profiles);
    m_firewallName = QString::fromStdString(reading.firewallName);
    if (timedOut) {
        m_state = FirewallState_e::Unknown;
    } else if (reading.state == platform::FirewallReadState::NoFirewall) {
        qCInfo(lcNetwork) << "No active firewall";
        m_state = FirewallState_e::Allowed;
    } else if (reading.state == platform::FirewallReadState::Unreadable) {
        qCWarning(lcNetwork) << "Firewall rules could not be read:" << m_firewallName;
        m_state = FirewallState_e::Unknown;
    } else {
        m_state = firewallRulesAllowTraffic(m_rules, m_profiles) ? FirewallState_e::Allowed : FirewallState_e::Blocked;
    }
    m_checked = true;
    Q_EMIT finished();
    if (m_again) {
        m_again = false;
        start();
    }
}

} // namespace tessivar::network
