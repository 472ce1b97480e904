#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessivar {

class Configuration;
namespace network {
class FirewallCheck;
}

// The server's side of the firewall: the check at start, and the exception that
// tessivar-helper adds with administrator rights. The check runs beside the event loop
// (network::FirewallCheck); only a firewall known to block asks for the information,
// one whose rules cannot be read does not.
class FirewallFlow : public QObject
{
    Q_OBJECT

public:
    struct Options {
        QString helperPath;         // empty: tessivar-helper beside the program
        int helperTimeoutMs = 5000; // the helper is left running after that
    };

    FirewallFlow(Configuration& configuration, network::FirewallCheck& check, QObject* parent = nullptr);
    FirewallFlow(Configuration& configuration, network::FirewallCheck& check, Options options,
                 QObject* parent = nullptr);

    // False only when the last check found the traffic blocked; asks for a new check,
    // whose result the next call gives.
    bool applicationHasFirewallException();
    // Has the helper add the program's rules; true when it reported success.
    bool addApplicationFirewallException();
    // Starts the check early, so that its answer is in by the time start-up asks.
    void prepare();
    // Asks for the firewall information unless the user chose to ignore the firewall:
    // at once when the check has ended, else when it ends.
    void checkAtStartup();

    // Starts the helper with the command and waits for its exit; true on exit code 0.
    bool runHelper(const QString& command, const QStringList& arguments, bool elevated);

Q_SIGNALS:
    void firewallInformationRequested();

private:
    void onCheckFinished();

    Configuration& m_configuration;
    network::FirewallCheck& m_check;
    Options m_options;
    bool m_startupAnswerPending = false;
};

} // namespace tessivar
