#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QQuickItem>

namespace tessivar::ui {

// Reads a pixel's colour for the QML colour picker.
class ColorPickerWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit ColorPickerWidget(QQuickItem* parent = nullptr);

    // An invalid colour for a position outside the image.
    Q_INVOKABLE QColor getImagePixelColor(const QImage& image, const QPoint& position) const;
};

} // namespace tessivar::ui
