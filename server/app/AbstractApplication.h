#pragma once

#include "app/Configuration.h"
#include "device/DeviceManager.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tessivar {

// What any application of the system has: the devices it knows and, as the
// communication layer joins, the means to reach them.
class AbstractApplication : public QObject
{
    Q_OBJECT

public:
    explicit AbstractApplication(Configuration& configuration, QObject* parent = nullptr);
    ~AbstractApplication() override;

    Q_INVOKABLE void addDevice(const QString& address);
    Q_INVOKABLE void removeDevice(const NetworkDeviceId_t& deviceId);
    Q_INVOKABLE void exit();
    Q_INVOKABLE QString getSoftwareVersion() const;

    device::DeviceManager& deviceManager();
    Configuration& configuration();

Q_SIGNALS:
    void releaseNotesRequested();

protected:
    Configuration& m_configuration;
    std::unique_ptr<device::DeviceManager> m_deviceManager;
};

} // namespace tessivar
