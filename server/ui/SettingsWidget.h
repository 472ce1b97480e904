#pragma once

#include <QPointer>
#include <QQuickItem>

namespace tessivar {
class Configuration;
}

namespace tessivar::ui {

// Native side of the settings page. The QML binds to the configuration's properties;
// the resets go through here so that the page reloads what they wrote.
class SettingsWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit SettingsWidget(QQuickItem* parent = nullptr);

    // Not owned; without one the operations do nothing.
    void setConfiguration(Configuration* configuration);

    Q_INVOKABLE void resetPort();
    Q_INVOKABLE void resetDeviceName();
    Q_INVOKABLE bool isLaunchAtStartupEnabled();
    Q_INVOKABLE void enableLaunchAtStartup(bool enable);

private:
    void callReloadSettings();

    QPointer<Configuration> m_configuration;
};

} // namespace tessivar::ui
