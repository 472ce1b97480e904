#include "FirewallCommand.h"

#include "core/ApplicationPaths.h"
#include "network/FirewallRule.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tessivar::helper {

namespace {

using namespace tessivar::network;

constexpr int kDefaultPort = 20948;
constexpr int kHighestPort = 65535;

// Firewalls that filter by port need the program's port: the one in the "config" that
// the program reads for the user who asked for the exception.
int programPort(const QString& programPath)
{
    const QString config
        = ApplicationPaths::settingsFileOfProgram(QFileInfo(QDir::fromNativeSeparators(programPath)).absolutePath());
    if (config.isEmpty() || !QFileInfo(config).isReadable()) {
        qWarning() << "Settings not readable, opening the default port" << kDefaultPort << config;
        return kDefaultPort;
    }
    QSettings settings(config, QSettings::IniFormat);
    const QVariant stored = settings.value(QStringLiteral("common/Port"));
    if (settings.status() != QSettings::NoError) {
        qWarning() << "Settings not readable, opening the default port" << kDefaultPort << config;
        return kDefaultPort;
    }
    if (!stored.isValid())
        return kDefaultPort;
    bool number = false;
    const int port = stored.toInt(&number);
    if (!number || port <= 0 || port > kHighestPort) {
        qWarning() << "Invalid port in the settings, opening the default port" << kDefaultPort << stored;
        return kDefaultPort;
    }
    qInfo() << "Port" << port << "from" << config;
    return port;
}

} // namespace

bool addFirewallException(const QString& programName, const QString& programPath)
{
    qInfo() << "Adding firewall exception";
    qInfo() << "Program:" << programName;
    qInfo() << "Path:" << programPath;
    const QString path = QDir::toNativeSeparators(programPath);
    const int port = programPort(path);

    for (const FirewallRule_t& rule : listFirewallRules(path)) {
        if (!removeFirewallRule(rule.name)) {
            qWarning() << "Failed to delete firewall rule" << rule.name;
            return false;
        }
    }
    if (!addFirewallRuleFor(programName + QStringLiteral(" TCP"), path, FirewallProtocol_e::Tcp, port)) {
        qWarning() << "Failed to add TCP rule";
        return false;
    }
    if (!addFirewallRuleFor(programName + QStringLiteral(" UDP"), path, FirewallProtocol_e::Udp, port)) {
        qWarning() << "Failed to add UDP rule";
        return false;
    }
    qInfo() << "Firewall exception added";
    return true;
}

bool handleAddRule(const QStringList& arguments)
{
    qInfo() << "Processing firewall add-rule command";
    qInfo() << "Arguments" << arguments;
    if (arguments.size() != 2) {
        qWarning() << "Invalid arguments";
        return false;
    }
    return addFirewallException(arguments[0], arguments[1]);
}

} // namespace tessivar::helper
