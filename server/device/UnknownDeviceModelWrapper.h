#pragma once

#include "core/DeviceTypes.h"

#include <QObject>
#include <QPointer>

class QDebug;

namespace tessivar::device {

class DeviceModel;

// Stands for a device id that no device has yet (a removed device, or one not seen
// since start-up), so that a block can show its device's name as soon as it appears.
class UnknownDeviceModelWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ GetName NOTIFY NameChanged)

public:
    UnknownDeviceModelWrapper(const NetworkDeviceId_t& id, QObject* parent);

    const NetworkDeviceId_t& GetId() const { return m_id; }
    // The followed device's name, empty while there is none.
    QString GetName() const;
    bool HasModel() const { return m_hasModel; }
    // Follows the device's model from now on; a wrapper follows one model only.
    void SetModel(DeviceModel* model);

Q_SIGNALS:
    void NameChanged();

private:
    NetworkDeviceId_t m_id;
    QPointer<DeviceModel> m_model;
    bool m_hasModel = false;
};

QDebug operator<<(QDebug debug, const UnknownDeviceModelWrapper& wrapper);

} // namespace tessivar::device
