#pragma once

#include "core/CommonConfiguration.h"
#include "core/DisabledPlugin.h"

namespace tessivar {

// The server's desktop settings under the group "app", on top of the common ones.
// One instance serves the whole process; instance() opens the working directory's
// "config" on first use.
class Configuration : public CommonConfiguration
{
    Q_OBJECT
    Q_PROPERTY(bool MinimizeToTray READ MinimizeToTray WRITE setMinimizeToTray NOTIFY MinimizeToTrayChanged)
    Q_PROPERTY(bool CloseToTray READ CloseToTray WRITE setCloseToTray NOTIFY CloseToTrayChanged)
    Q_PROPERTY(bool ShowUpdateNotifications READ ShowUpdateNotifications WRITE setShowUpdateNotifications
                   NOTIFY ShowUpdateNotificationsChanged)
    Q_PROPERTY(bool IgnoreFirewall READ IgnoreFirewall WRITE setIgnoreFirewall NOTIFY IgnoreFirewallChanged)
    Q_PROPERTY(bool ShowSplashScreen READ ShowSplashScreen WRITE setShowSplashScreen NOTIFY ShowSplashScreenChanged)
    Q_PROPERTY(bool RequireDeviceApproval READ RequireDeviceApproval WRITE setRequireDeviceApproval
                   NOTIFY RequireDeviceApprovalChanged)

public:
    // Where the server asks for the latest published version: a host name, with ":port"
    // when the server listens elsewhere than 443.
    static constexpr const char* kDefaultUpdateServerHost = "update.tessivar.app";

    explicit Configuration(const QString& filePath = defaultFilePath(), QObject* parent = nullptr);

    static Configuration& instance();

    bool MinimizeToTray() const;
    void setMinimizeToTray(bool value);
    bool CloseToTray() const;
    void setCloseToTray(bool value);
    bool TrayMessageShown() const;
    void setTrayMessageShown(bool value);
    bool ShowUpdateNotifications() const;
    void setShowUpdateNotifications(bool value);
    bool IgnoreFirewall() const;
    void setIgnoreFirewall(bool value);
    bool ShowSplashScreen() const;
    void setShowSplashScreen(bool value);
    QList<DisabledPlugin_t> DisabledPlugins() const;
    void setDisabledPlugins(const QList<DisabledPlugin_t>& value);
    // Off by default: every device that greets the server is served. On: a device is
    // served once the user has approved it; the decisions are kept by device id under
    // keys of their own, beside (not inside) "KnownDevices".
    bool RequireDeviceApproval() const;
    void setRequireDeviceApproval(bool value);
    QStringList ApprovedDevices() const;
    void setApprovedDevices(const QStringList& value);
    QStringList RefusedDevices() const;
    void setRefusedDevices(const QStringList& value);
    QString UpdateServerHost() const;
    void setUpdateServerHost(const QString& value);

    // Registration of tessivar-helper "run server --minimized" at login.
    Q_INVOKABLE bool isLaunchAtStartupEnabled();
    Q_INVOKABLE void enableLaunchAtStartup(bool enable);

    // Used by the settings widget.
    Q_INVOKABLE void resetPort();
    Q_INVOKABLE void resetDeviceName();

Q_SIGNALS:
    void MinimizeToTrayChanged(bool newValue);
    void CloseToTrayChanged(bool newValue);
    void TrayMessageShownChanged(bool newValue);
    void DisabledPluginsChanged(const QList<DisabledPlugin_t>& newValue);
    void ShowUpdateNotificationsChanged(bool newValue);
    void IgnoreFirewallChanged(bool newValue);
    void ShowSplashScreenChanged(bool newValue);
    void RequireDeviceApprovalChanged(bool newValue);
    void ApprovedDevicesChanged(const QStringList& newValue);
    void RefusedDevicesChanged(const QStringList& newValue);
    void UpdateServerHostChanged(const QString& newValue);

private:
    const QString& m_ownGroup = m_appGroup;
};

} // namespace tessivar
