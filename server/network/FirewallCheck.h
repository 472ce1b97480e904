#pragma once

#include "network/FirewallRule.h"
#include "platform/Firewall.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include <chrono>
#include <memory>

namespace tessivar::network {

// Unknown: not checked yet, or a firewall whose rules this user may not read.
enum class FirewallState_e { Unknown = 0, Allowed = 1, Blocked = 2 };

// The firewall check, run beside the event loop: the tools it asks (firewall-cmd, ufw)
// run as asynchronous processes, one after the other, so that nothing waits for them.
// A request while a check runs is served by one more check once it ends, however many
// came; the result is announced by finished().
class FirewallCheck : public QObject
{
    Q_OBJECT

public:
    // A tool that does not answer is stopped after this; the check then reads "unknown".
    static constexpr std::chrono::milliseconds kDefaultToolTimeout{15000};

    explicit FirewallCheck(QObject* parent = nullptr);
    ~FirewallCheck() override;

    void request();
    bool running() const { return m_reader != nullptr; }
    // Whether a check has ended since this object was made.
    bool checked() const { return m_checked; }

    FirewallState_e state() const { return m_state; }
    // The program's rules and the profiles in force, as the last check read them.
    const QList<FirewallRule_t>& rules() const { return m_rules; }
    const QList<FirewallProfile_e>& profiles() const { return m_profiles; }
    // "firewalld", "ufw", or empty.
    const QString& firewallName() const { return m_firewallName; }

    void setToolTimeout(std::chrono::milliseconds timeout) { m_toolTimeout = timeout; }
    void setReadOptions(const platform::FirewallReadOptions& options) { m_readOptions = options; }
    // The program whose rules count; the running program by default.
    void setApplicationPath(const QString& path) { m_applicationPath = path; }

Q_SIGNALS:
    void finished();

private:
    void start();
    void runNext();
    void onToolFinished(const platform::ToolOutcome& outcome);
    void stopTool();
    void complete(const platform::FirewallReading& reading, bool timedOut);

    std::chrono::milliseconds m_toolTimeout = kDefaultToolTimeout;
    platform::FirewallReadOptions m_readOptions;
    QString m_applicationPath;
    std::unique_ptr<platform::FirewallReader> m_reader;
    QProcess* m_process = nullptr;
    QByteArray m_output;
    QTimer m_timeout;
    bool m_again = false;
    bool m_checked = false;
    FirewallState_e m_state = FirewallState_e::Unknown;
    QList<FirewallRule_t> m_rules;
    QList<FirewallProfile_e> m_profiles;
    QString m_firewallName;
};

} // namespace tessivar::network
