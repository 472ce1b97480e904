#include "OpenWebPageHelper.h"

#include "ImageDataUrl.h"

QString OpenWebPageHelper::getImageBase64(QUrl imagePath)
{
    return imageFileToDataUrl(imagePath);
}
