#include "ui/ColorPickerWidget.h"

namespace tessivar::ui {

ColorPickerWidget::ColorPickerWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

QColor ColorPickerWidget::getImagePixelColor(const QImage& image, const QPoint& position) const
{
    if (!image.valid(position))
        return {};
    return image.pixelColor(position);
}

} // namespace tessivar::ui
