#pragma once

#include <QString>

#include <optional>

class QImage;
class QUrl;

// Images travel to a device as "data:image/<format>;base64,<bytes>".

// The image written in `format`; empty for a null image.
QString imageToDataUrl(const QImage& image, const QString& format);

// The text after the last "." of a file name or path, or all of it without a dot.
QString formatWordOf(const QString& fileNameOrPath);

// The image file as a data URL in the format its name says; empty if it does not load.
QString imageFileToDataUrl(const QUrl& imagePath);

// A built-in image (a ":/" resource path) as a PNG data URL.
QString resourceImageDataUrl(const QString& resourcePath);

// An image file for a device, as the file is, so that an animation survives; a still
// image of a format Qt cannot write (SVG) as PNG instead. `animated` (if given) tells
// whether the format animates. Nothing when the file is no image.
std::optional<QString> imageFileAsItIsDataUrl(const QString& path, bool* animated = nullptr);
