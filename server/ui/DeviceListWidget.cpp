#include "ui/DeviceListWidget.h"

namespace tessivar::ui {

DeviceListWidget::DeviceListWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

} // namespace tessivar::ui
