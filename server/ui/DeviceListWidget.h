#pragma once

#include "core/DeviceTypes.h"

#include <QQuickItem>

namespace tessivar::ui {

// Native side of the device list: the requests a user makes on a device's row.
class DeviceListWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit DeviceListWidget(QQuickItem* parent = nullptr);

Q_SIGNALS:
    void downloadLogsRequested(NetworkDeviceId_t deviceId);
    void downloadSettingsRequested(NetworkDeviceId_t deviceId);
    void removeDeviceRequested(NetworkDeviceId_t deviceId);
};

} // namespace tessivar::ui
