#include "ShortcutHelper.h"

#include "ImageDataUrl.h"
#include "MiscModuleIds.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>

QString ShortcutHelper::getImageBase64(QUrl imagePath)
{
    return imageFileToDataUrl(imagePath);
}

QString ShortcutHelper::getProgramIconBase64(QUrl programPath)
{
    QFileInfo info(programPath.toLocalFile());
    if (info.isSymLink() && !info.symLinkTarget().isEmpty())
        info = QFileInfo(info.symLinkTarget());
    const QIcon icon = QFileIconProvider().icon(info);
    const QList<QSize> sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    if (sizes.isEmpty())
        return resourceImageDataUrl(kMiscResources + QStringLiteral("ShortcutModule/icon-missing_image.png"));
    const QSize size = icon.actualSize(sizes.last(), QIcon::Normal, QIcon::Off);
    return imageToDataUrl(icon.pixmap(size, QIcon::Normal, QIcon::Off).toImage(), QStringLiteral("ico"));
}
