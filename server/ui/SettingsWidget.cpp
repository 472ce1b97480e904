#include "ui/SettingsWidget.h"

#include "core/Configuration.h"
#include "core/Logging.h"

#include <QDebug>

namespace tessivar::ui {

SettingsWidget::SettingsWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

void SettingsWidget::setConfiguration(Configuration* configuration)
{
    m_configuration = configuration;
}

void SettingsWidget::resetPort()
{
    if (!m_configuration)
        return;
    m_configuration->resetPort();
    callReloadSettings();
}

void SettingsWidget::resetDeviceName()
{
    if (!m_configuration)
        return;
    m_configuration->resetDeviceName();
    callReloadSettings();
}

bool SettingsWidget::isLaunchAtStartupEnabled()
{
    return m_configuration && m_configuration->isLaunchAtStartupEnabled();
}

void SettingsWidget::enableLaunchAtStartup(bool enable)
{
    if (m_configuration)
        m_configuration->enableLaunchAtStartup(enable);
}

void SettingsWidget::callReloadSettings()
{
    if (!QMetaObject::invokeMethod(this, "reloadSettings"))
        qCWarning(lcUi) << "Settings page without reloadSettings()";
}

} // namespace tessivar::ui
