#include "ui/ModuleSelectionWidget.h"

namespace tessivar::ui {

ModuleSelectionWidget::ModuleSelectionWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

} // namespace tessivar::ui
