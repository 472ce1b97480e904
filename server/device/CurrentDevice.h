#pragma once

#include "device/IDevice.h"

namespace tessivar::device {

// The machine the server runs on: always connected, registered and known. Only its id
// and name can change; the other setters ignore their argument so that code written
// for any device can call them.
class CurrentDevice final : public IDevice
{
public:
    CurrentDevice(const NetworkDeviceId_t& id, const QString& name);

    void Print(QDebug& debug) const override;
    void Register(const QString& name, ApplicationType_e type, const QVersionNumber& version) override;
    void SetId(const NetworkDeviceId_t& id) override;
    void SetName(const QString& name) override;
    void SetKnown(bool known) override;
    void SetConnected(bool connected) override;
    void SetAddress(const QHostAddress& address) override;
    // The running program's version cannot change: a call is a programming error.
    void SetVersion(const QVersionNumber& version) override;
    void SetApplicationType(ApplicationType_e type) override;
    const NetworkDeviceId_t& GetId() const override;
    const QString& GetName() const override;
    bool IsKnown() const override;
    QHostAddress GetAddress() const override;
    QVersionNumber GetVersion() const override;
    ApplicationType_e GetApplicationType() const override;
    bool IsConnected() const override;
    bool IsRegistered() const override;
    bool IsAddedManually() const override;
    void OnConnectionChanged(ConnectionCallback callback) override;
    DeviceModel* GetModel() const override;

private:
    QString m_name;
    NetworkDeviceId_t m_id;
};

} // namespace tessivar::device
