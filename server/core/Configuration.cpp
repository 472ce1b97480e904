#include "core/Configuration.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "platform/Autostart.h"

#include <QHostInfo>

namespace tessivar {

namespace {

platform::AutostartEntry launchAtStartupEntry()
{
    // The helper starts the server, offering to restart one that already runs.
    return {kApplicationDisplayName, helperProgramPath().toStdString(), {"run", "server", "--minimized"}};
}

} // namespace

Configuration::Configuration(const QString& filePath, QObject* parent)
    : CommonConfiguration(filePath, parent)
{
    qRegisterMetaType<DisabledPlugin_t>("DisabledPlugin_t");
    qRegisterMetaType<QList<DisabledPlugin_t>>("QList<DisabledPlugin_t>");
}

Configuration& Configuration::instance()
{
    static Configuration configuration;
    return configuration;
}

bool Configuration::MinimizeToTray() const
{
    return read<bool>(m_ownGroup, QStringLiteral("MinimizeToTray"), false);
}

void Configuration::setMinimizeToTray(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("MinimizeToTray"), value);
    Q_EMIT MinimizeToTrayChanged(value);
}

bool Configuration::CloseToTray() const
{
    return read<bool>(m_ownGroup, QStringLiteral("CloseToTray"), false);
}

void Configuration::setCloseToTray(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("CloseToTray"), value);
    Q_EMIT CloseToTrayChanged(value);
}

bool Configuration::TrayMessageShown() const
{
    return read<bool>(m_ownGroup, QStringLiteral("TrayMessageShown"), false);
}

void Configuration::setTrayMessageShown(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("TrayMessageShown"), value);
    Q_EMIT TrayMessageShownChanged(value);
}

bool Configuration::ShowUpdateNotifications() const
{
    return read<bool>(m_ownGroup, QStringLiteral("ShowUpdateNotifications"), true);
}

void Configuration::setShowUpdateNotifications(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("ShowUpdateNotifications"), value);
    Q_EMIT ShowUpdateNotificationsChanged(value);
}

bool Configuration::IgnoreFirewall() const
{
    return read<bool>(m_ownGroup, QStringLiteral("IgnoreFirewall"), false);
}

void Configuration::setIgnoreFirewall(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("IgnoreFirewall"), value);
    Q_EMIT IgnoreFirewallChanged(value);
}

bool Configuration::ShowSplashScreen() const
{
    return read<bool>(m_ownGroup, QStringLiteral("ShowSplashScreen"), true);
}

void Configuration::setShowSplashScreen(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("ShowSplashScreen"), value);
    Q_EMIT ShowSplashScreenChanged(value);
}

QList<DisabledPlugin_t> Configuration::DisabledPlugins() const
{
    return read<QList<DisabledPlugin_t>>(m_ownGroup, QStringLiteral("DisabledPlugins"), {});
}

void Configuration::setDisabledPlugins(const QList<DisabledPlugin_t>& value)
{
    writeValue(m_ownGroup, QStringLiteral("DisabledPlugins"), QVariant::fromValue(value));
    Q_EMIT DisabledPluginsChanged(value);
}

bool Configuration::RequireDeviceApproval() const
{
    return read<bool>(m_ownGroup, QStringLiteral("RequireDeviceApproval"), false);
}

void Configuration::setRequireDeviceApproval(bool value)
{
    writeValue(m_ownGroup, QStringLiteral("RequireDeviceApproval"), value);
    Q_EMIT RequireDeviceApprovalChanged(value);
}

QStringList Configuration::ApprovedDevices() const
{
    return read<QStringList>(m_ownGroup, QStringLiteral("ApprovedDevices"), {});
}

void Configuration::setApprovedDevices(const QStringList& value)
{
    writeValue(m_ownGroup, QStringLiteral("ApprovedDevices"), value);
    Q_EMIT ApprovedDevicesChanged(value);
}

QStringList Configuration::RefusedDevices() const
{
    return read<QStringList>(m_ownGroup, QStringLiteral("RefusedDevices"), {});
}

void Configuration::setRefusedDevices(const QStringList& value)
{
    writeValue(m_ownGroup, QStringLiteral("RefusedDevices"), value);
    Q_EMIT RefusedDevicesChanged(value);
}

QString Configuration::UpdateServerHost() const
{
    return read<QString>(m_ownGroup, QStringLiteral("UpdateServerHost"), QString::fromLatin1(kDefaultUpdateServerHost));
}

void Configuration::setUpdateServerHost(const QString& value)
{
    writeValue(m_ownGroup, QStringLiteral("UpdateServerHost"), value);
    Q_EMIT UpdateServerHostChanged(value);
}

bool Configuration::isLaunchAtStartupEnabled()
{
    if (!platform::autostartEntryExists(kApplicationDisplayName))
        return false;
    // Rewritten so that a moved installation stays registered.
    platform::writeAutostartEntry(launchAtStartupEntry());
    return true;
}

void Configuration::enableLaunchAtStartup(bool enable)
{
    const bool done = enable ? platform::writeAutostartEntry(launchAtStartupEntry())
                             : platform::removeAutostartEntry(kApplicationDisplayName);
    if (!done)
        qCWarning(lcCore) << "Launch at start-up not changed, enable:" << enable;
}

void Configuration::resetPort()
{
    setPort(kDefaultPort);
}

void Configuration::resetDeviceName()
{
    const QString hostName = QHostInfo::localHostName();
    if (DeviceName() != hostName)
        setDeviceName(hostName);
}

} // namespace tessivar
