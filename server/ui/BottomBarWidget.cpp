#include "ui/BottomBarWidget.h"

namespace tessivar::ui {

BottomBarWidget::BottomBarWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

bool BottomBarWidget::updateAvailable() const
{
    return !m_availableVersion.isNull();
}

QString BottomBarWidget::availableVersion() const
{
    return m_availableVersion.toString();
}

void BottomBarWidget::setAvailableVersion(const QVersionNumber& version)
{
    m_availableVersion = version;
    Q_EMIT updateAvailableChanged();
}

} // namespace tessivar::ui
