#include "ui/AboutWidget.h"

#include "core/ApplicationConstants.h"

#include <QFile>

namespace tessivar::ui {

AboutWidget::AboutWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

QString AboutWidget::getSoftwareVersion() const
{
    return softwareVersion().toString();
}

QString AboutWidget::getQtVersion() const
{
    return QString::fromLatin1(qVersion());
}

QString AboutWidget::getLgplText() const
{
    QFile file(QStringLiteral(":/Licenses/lgplv3.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace tessivar::ui
