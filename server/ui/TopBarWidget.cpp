#include "ui/TopBarWidget.h"

namespace tessivar::ui {

TopBarWidget::TopBarWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

QString TopBarWidget::versionText(const QVersionNumber& version)
{
    return QStringLiteral("%1.%2.%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

void TopBarWidget::setVersion(const QVersionNumber& version)
{
    setProperty("versionText", versionText(version));
}

} // namespace tessivar::ui
