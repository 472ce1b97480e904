#pragma once

#include "core/DeviceTypes.h"
#include "device/UnknownDeviceModelWrapper.h"

#include <QAbstractListModel>

#include <memory>
#include <vector>

class QDebug;

namespace tessivar::device {

class DeviceModel;

// The remote devices as the user interface lists them: one row per DeviceModel, in
// order of addition, reached by QML as the role "display". The rows are not owned:
// each device owns its model.
class DeviceManagerModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int deviceCount READ GetDeviceCount NOTIFY DeviceCountChanged)
    Q_PROPERTY(bool hasAtLeastOneConnectedDevice READ HasAtLeastOneConnectedDevice
                   NOTIFY HasAtLeastOneConnectedDeviceChanged)

public:
    explicit DeviceManagerModel(QObject* parent = nullptr);
    ~DeviceManagerModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The object must be a DeviceModel; anything else is a programming error.
    void AddDevice(QObject* model);
    void RemoveDevice(QObject* model);

    int GetDeviceCount() const;
    bool HasAtLeastOneConnectedDevice() const { return m_hasAtLeastOneConnectedDevice; }

    Q_INVOKABLE QObject* GetDeviceByIndex(int index) const;
    // Null, after a warning, for an id that no row has.
    Q_INVOKABLE QObject* GetDeviceById(NetworkDeviceId_t deviceId) const;
    // The device's model, or else one lasting placeholder per id that follows the
    // device once it is added.
    Q_INVOKABLE QObject* GetPossibleUnknownDevice(NetworkDeviceId_t deviceId);
    Q_INVOKABLE bool IsThereOnlyOneDeviceAndItIsConnected() const;
    // The user's answer for a device waiting for approval (the Approve and Refuse
    // buttons of its row); whoever keeps the approvals acts on DeviceApprovalDecided.
    Q_INVOKABLE void approveDevice(const QString& deviceId);
    Q_INVOKABLE void refuseDevice(const QString& deviceId);

Q_SIGNALS:
    void HasAtLeastOneConnectedDeviceChanged();
    void DeviceCountChanged();
    void DeviceApprovalDecided(const QString& deviceId, bool approved);

private:
    static DeviceModel* checkedModel(QObject* model);
    DeviceModel* findModel(const NetworkDeviceId_t& id) const;
    UnknownDeviceModelWrapper* findWrapper(const NetworkDeviceId_t& id) const;
    void attachWrapper(DeviceModel* model);
    void releaseWrapper(const NetworkDeviceId_t& id);
    bool anyConnected() const;
    void onConnectedChanged(DeviceModel* model);

    std::vector<DeviceModel*> m_devices;
    std::vector<std::unique_ptr<UnknownDeviceModelWrapper>> m_wrappers;
    bool m_hasAtLeastOneConnectedDevice = false;
};

QDebug operator<<(QDebug debug, const DeviceManagerModel& model);

} // namespace tessivar::device
