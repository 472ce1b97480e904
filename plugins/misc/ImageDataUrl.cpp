#include "ImageDataUrl.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QUrl>

namespace {

// The image written in `format`; empty when Qt cannot write that format (it reads GIF
// and SVG, for instance, but writes neither).
QByteArray encode(const QImage& image, const QString& format)
{
    const QByteArray name = format.toLower().toUtf8();
    if (!QImageWriter::supportedImageFormats().contains(name))
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    if (!image.save(&buffer, name.constData(), -1))
        return QByteArray();
    return bytes;
}

QString dataUrl(const QString& format, const QByteArray& bytes)
{
    return QStringLiteral("data:image/%1;base64,%2").arg(format, QString::fromLatin1(bytes.toBase64()));
}

} // namespace

QString imageToDataUrl(const QImage& image, const QString& format)
{
    if (image.isNull())
        return QString();
    const QByteArray bytes = encode(image, format);
    if (!bytes.isEmpty())
        return dataUrl(format, bytes);
    // A device shows an empty data URL as a blank block: send what every device reads.
    const QString fallback = QStringLiteral("png");
    return dataUrl(fallback, encode(image, fallback));
}

QString formatWordOf(const QString& fileNameOrPath)
{
    const qsizetype dot = fileNameOrPath.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileNameOrPath : fileNameOrPath.mid(dot + 1);
}

QString imageFileToDataUrl(const QUrl& imagePath)
{
    const QString format = formatWordOf(imagePath.fileName());
    return imageToDataUrl(QImage(imagePath.toLocalFile()), format);
}

QString resourceImageDataUrl(const QString& resourcePath)
{
    return imageToDataUrl(QImage(resourcePath), QStringLiteral("png"));
}

std::optional<QString> imageFileAsItIsDataUrl(const QString& path, bool* animated)
{
    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    if (!reader.canRead())
        return std::nullopt;
    const bool isAnimated = reader.supportsAnimation();
    if (animated)
        *animated = isAnimated;
    const QString format = formatWordOf(path);
    const bool writable = QImageWriter::supportedImageFormats().contains(format.toLower().toUtf8());
    if (!isAnimated && !writable) {
        // Still images of a format a device may not read (SVG) travel as PNG.
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return imageToDataUrl(image, QStringLiteral("png"));
    }
    QIODevice* device = reader.device();
    if (!device || !device->seek(0))
        return std::nullopt;
    // The file as it is, not re-encoded, so that animations survive.
    return dataUrl(format, device->readAll());
}
