#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessivar {

class Configuration;

// The server's side of the firewall: the check at start, and the exception that
// tessivar-helper adds with administrator rights.
class FirewallFlow : public QObject
{
    Q_OBJECT

public:
    struct Options {
        QString helperPath;          // empty: tessivar-helper beside the program
        int helperTimeoutMs = 5000;  // the helper is left running after that
        std::function<bool()> check; // empty: the firewall of this machine
    };

    explicit FirewallFlow(Configuration& configuration, QObject* parent = nullptr);
    FirewallFlow(Configuration& configuration, Options options, QObject* parent = nullptr);

    // Whether the firewall lets the server's TCP and UDP traffic in.
    bool applicationHasFirewallException();
    // Has the helper add the program's rules; true when it reported success.
    bool addApplicationFirewallException();
    // Asks for the firewall information unless the user chose to ignore the firewall.
    void checkAtStartup();

    // Starts the helper with the command and waits for its exit; true on exit code 0.
    bool runHelper(const QString& command, const QStringList& arguments, bool elevated);

Q_SIGNALS:
    void firewallInformationRequested();

private:
    Configuration& m_configuration;
    Options m_options;
};

} // namespace tessivar
