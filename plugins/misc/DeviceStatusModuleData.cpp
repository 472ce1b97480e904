#include "DeviceStatusModuleData.h"

#include "ImageDataUrl.h"
#include "MiscModuleIds.h"

#include <QColor>
#include <QFileDialog>
#include <QImageReader>

namespace {
const QString kOnlineIcon = QStringLiteral("OnlineStatusIcon");
const QString kOnlineAnimated = QStringLiteral("OnlineStatusIconIsAnimated");
const QString kOfflineIcon = QStringLiteral("OfflineStatusIcon");
const QString kOfflineAnimated = QStringLiteral("OfflineStatusIconIsAnimated");
const QString kOnlineIconResource = kDeviceStatusResources + QStringLiteral("icon-connected.png");
const QString kOfflineIconResource = kDeviceStatusResources + QStringLiteral("icon-disconnected.png");
} // namespace

DeviceStatusModuleData::DeviceStatusModuleData()
    : TessivarModuleInstanceData(kDeviceStatusModuleId)
{
    qRegisterMetaType<DeviceStatusStyle_e>("DeviceStatusStyle_e");
    qRegisterMetaType<DeviceStatusShapeType_e>("DeviceStatusShapeType_e");
    qRegisterMetaType<DeviceStatusColorType_e>("DeviceStatusColorType_e");
    qRegisterMetaType<DeviceStatusChangeAnimation_e>("DeviceStatusChangeAnimation_e");
    for (const QString& state : {QStringLiteral("Online"), QStringLiteral("Offline")}) {
        setClientParameter(state + QStringLiteral("StatusStyle"), int(DeviceStatusStyle_Icon));
        setClientParameter(state + QStringLiteral("StatusColorType"), int(DeviceStatusColorType_Theme));
        setClientParameter(state + QStringLiteral("StatusShape"), int(DeviceStatusShapeType_Circle));
        setClientParameter(state + QStringLiteral("StatusColor"), QColor(Qt::black));
        setClientParameter(state + QStringLiteral("StatusAnimation"), int(DeviceStatusChangeAnimation_None));
    }
    setClientParameter(QStringLiteral("TimeoutSeconds"), 20);
    resetOnlineIcon();
    resetOfflineIcon();
    addHelper(QStringLiteral("Helper"), this);
}

bool DeviceStatusModuleData::setStatusIconFromFile(const QString& iconKey, const QString& animatedKey,
                                                   const QString& path)
{
    bool animated = false;
    const std::optional<QString> icon = imageFileAsItIsDataUrl(path, &animated);
    if (!icon)
        return false;
    setClientParameter(iconKey, *icon);
    setClientParameter(animatedKey, animated);
    return true;
}

bool DeviceStatusModuleData::selectIcon(const QString& iconKey, const QString& animatedKey)
{
    const QString path = QFileDialog::getOpenFileName(nullptr, QString(), QString(), QString());
    if (path.isEmpty())
        return true;
    return setStatusIconFromFile(iconKey, animatedKey, path);
}

bool DeviceStatusModuleData::selectOnlineIcon()
{
    return selectIcon(kOnlineIcon, kOnlineAnimated);
}

void DeviceStatusModuleData::resetOnlineIcon()
{
    setStatusIconFromFile(kOnlineIcon, kOnlineAnimated, kOnlineIconResource);
}

bool DeviceStatusModuleData::selectOfflineIcon()
{
    return selectIcon(kOfflineIcon, kOfflineAnimated);
}

void DeviceStatusModuleData::resetOfflineIcon()
{
    setStatusIconFromFile(kOfflineIcon, kOfflineAnimated, kOfflineIconResource);
}
