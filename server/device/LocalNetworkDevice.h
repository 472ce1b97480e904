#pragma once

#include "device/DeleteLater.h"
#include "device/DeviceModel.h"
#include "device/IDevice.h"

#include <QMetaObject>

#include <vector>

namespace tessivar::device {

// A client device on the local network. Its state lives in its DeviceModel, which the
// user interface binds to; the model is released with deleteLater because a view may
// still hold it when the device goes away.
class LocalNetworkDevice final : public IDevice
{
public:
    // Added by the user by its address; it has no id until a peer is matched to it.
    explicit LocalNetworkDevice(const QHostAddress& address);
    // Restored from the stored list of known devices.
    LocalNetworkDevice(const NetworkDeviceId_t& id, const QHostAddress& address);
    // First heard of through a message from an unknown id.
    LocalNetworkDevice(const NetworkDeviceId_t& id, ApplicationType_e type);
    ~LocalNetworkDevice() override;

    void Print(QDebug& debug) const override;
    void Register(const QString& name, ApplicationType_e type, const QVersionNumber& version) override;
    void SetId(const NetworkDeviceId_t& id) override;
    void SetName(const QString& name) override;
    void SetKnown(bool known) override;
    void SetConnected(bool connected) override;
    void SetAddress(const QHostAddress& address) override;
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
    LocalNetworkDevice();

    bool m_addedManually = false;
    DeleteLaterPtr<DeviceModel> m_model;
    // Cut when the device goes, since the model outlives it until the event loop runs.
    std::vector<QMetaObject::Connection> m_callbackConnections;
};

} // namespace tessivar::device
