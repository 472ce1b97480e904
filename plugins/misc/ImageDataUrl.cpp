#include "ImageDataUrl.h"

#include <QBuffer>
#include <QImage>
#include <QUrl>

QString imageToDataUrl(const QImage& image, const QString& format)
{
    if (image.isNull())
        return QString();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    image.save(&buffer, format.toUtf8().constData(), -1);
    return QStringLiteral("data:image/%1;base64,%2").arg(format, QString::fromLatin1(bytes.toBase64()));
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
