#pragma once

#include "TessivarModuleInstanceData.h"

#include <QObject>

enum DeviceStatusStyle_e { DeviceStatusStyle_Icon = 0, DeviceStatusStyle_Shape = 1 };
enum DeviceStatusShapeType_e { DeviceStatusShapeType_Circle = 0, DeviceStatusShapeType_Square = 1 };
enum DeviceStatusColorType_e {
    DeviceStatusColorType_Theme = 0,
    DeviceStatusColorType_Custom = 1,
    DeviceStatusColorType_None = 2
};
enum DeviceStatusChangeAnimation_e { DeviceStatusChangeAnimation_None = 0, DeviceStatusChangeAnimation_Pulse = 1 };

// Parameters of a device status light: how the online and offline states look, the
// time-out after which the device calls the server offline ("TimeoutSeconds"), and
// the heartbeat (client data "Notify") whose changes tell the device the server lives.
// The object is its own editor helper ("Helper").
class DeviceStatusModuleData : public QObject, public TessivarModuleInstanceData
{
    Q_OBJECT

public:
    DeviceStatusModuleData();

    Q_INVOKABLE bool selectOnlineIcon();
    Q_INVOKABLE void resetOnlineIcon();
    Q_INVOKABLE bool selectOfflineIcon();
    Q_INVOKABLE void resetOfflineIcon();

    // Embeds the image file, as it is, as the icon of a state; false, and nothing
    // changed, for a file that is no readable image.
    bool setStatusIconFromFile(const QString& iconKey, const QString& animatedKey, const QString& path);

private:
    bool selectIcon(const QString& iconKey, const QString& animatedKey);
};
