#pragma once

#include "core/DeviceTypes.h"

#include <QHostAddress>
#include <QString>
#include <QVersionNumber>

#include <functional>
#include <memory>

class QDebug;

namespace tessivar::device {

class DeviceModel;

// A peer of the server, or the server's own machine.
class IDevice
{
public:
    using ConnectionCallback = std::function<void(const IDevice&, bool connected)>;

    IDevice(const IDevice&) = delete;
    IDevice& operator=(const IDevice&) = delete;
    virtual ~IDevice() = default;

    virtual void Print(QDebug& debug) const = 0;
    virtual void Register(const QString& name, ApplicationType_e type, const QVersionNumber& version) = 0;
    virtual void SetId(const NetworkDeviceId_t& id) = 0;
    virtual void SetName(const QString& name) = 0;
    virtual void SetKnown(bool known) = 0;
    virtual void SetConnected(bool connected) = 0;
    virtual void SetAddress(const QHostAddress& address) = 0;
    virtual void SetVersion(const QVersionNumber& version) = 0;
    virtual void SetApplicationType(ApplicationType_e type) = 0;
    virtual const NetworkDeviceId_t& GetId() const = 0;
    virtual const QString& GetName() const = 0;
    virtual bool IsKnown() const = 0;
    virtual QHostAddress GetAddress() const = 0;
    virtual QVersionNumber GetVersion() const = 0;
    virtual ApplicationType_e GetApplicationType() const = 0;
    virtual bool IsConnected() const = 0;
    virtual bool IsRegistered() const = 0;
    virtual bool IsAddedManually() const = 0;
    virtual void OnConnectionChanged(ConnectionCallback callback) = 0;
    virtual DeviceModel* GetModel() const = 0;

protected:
    IDevice() = default;
};

QDebug operator<<(QDebug debug, const IDevice& device);
// "N/A" for an empty pointer.
QDebug operator<<(QDebug debug, const std::unique_ptr<IDevice>& device);

} // namespace tessivar::device
