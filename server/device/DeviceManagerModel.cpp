#include "device/DeviceManagerModel.h"

#include "core/Logging.h"
#include "device/DeleteLater.h"
#include "device/DeviceModel.h"

#include <QDebug>
#include <QJSEngine>

#include <algorithm>

namespace tessivar::device {

DeviceManagerModel::DeviceManagerModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

DeviceManagerModel::~DeviceManagerModel() = default;

int DeviceManagerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : GetDeviceCount();
}

QVariant DeviceManagerModel::data(const QModelIndex& index, int /*role*/) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= GetDeviceCount())
        return {};
    return QVariant::fromValue<QObject*>(m_devices[static_cast<size_t>(index.row())]);
}

DeviceModel* DeviceManagerModel::checkedModel(QObject* model)
{
    auto* deviceModel = qobject_cast<DeviceModel*>(model);
    if (!deviceModel)
        qFatal("DeviceManagerModel::AddDevice: Unsupported device model");
    return deviceModel;
}

void DeviceManagerModel::AddDevice(QObject* model)
{
    DeviceModel* deviceModel = checkedModel(model);
    // QML must never delete a device's model: the device does, through the event loop.
    QJSEngine::setObjectOwnership(deviceModel, QJSEngine::CppOwnership);
    connect(deviceModel, &DeviceModel::ConnectedChanged, this,
            [this, deviceModel]() { onConnectedChanged(deviceModel); });
    // A device added by hand gets its id only when a peer is matched to it.
    connect(deviceModel, &DeviceModel::IdChanged, this, [this, deviceModel]() { attachWrapper(deviceModel); });

    const int row = GetDeviceCount();
    beginInsertRows(QModelIndex(), row, row);
    m_devices.push_back(deviceModel);
    endInsertRows();
    Q_EMIT DeviceCountChanged();

    if (deviceModel->IsConnected()) {
        m_hasAtLeastOneConnectedDevice = true;
        Q_EMIT HasAtLeastOneConnectedDeviceChanged();
    }
    attachWrapper(deviceModel);
}

void DeviceManagerModel::RemoveDevice(QObject* model)
{
    DeviceModel* deviceModel = checkedModel(model);
    const auto found = std::find(m_devices.begin(), m_devices.end(), deviceModel);
    if (found != m_devices.end()) {
        disconnect(deviceModel, nullptr, this, nullptr);
        const int row = static_cast<int>(found - m_devices.begin());
        beginRemoveRows(QModelIndex(), row, row);
        m_devices.erase(found);
        endRemoveRows();
        Q_EMIT DeviceCountChanged();
        // A removed connected device must not leave the flag standing.
        const bool connected = anyConnected();
        if (connected != m_hasAtLeastOneConnectedDevice) {
            m_hasAtLeastOneConnectedDevice = connected;
            Q_EMIT HasAtLeastOneConnectedDeviceChanged();
        }
    }
    releaseWrapper(deviceModel->GetId());
}

int DeviceManagerModel::GetDeviceCount() const
{
    return static_cast<int>(m_devices.size());
}

QObject* DeviceManagerModel::GetDeviceByIndex(int index) const
{
    if (index < 0 || index >= GetDeviceCount())
        qFatal("DeviceManagerModel::GetDeviceByIndex: invalid index [%d]", index);
    return m_devices[static_cast<size_t>(index)];
}

QObject* DeviceManagerModel::GetDeviceById(NetworkDeviceId_t deviceId) const
{
    DeviceModel* model = findModel(deviceId);
    if (!model)
        qCWarning(lcDevice) << "DeviceManagerModel::GetDeviceById: invalid device ID" << deviceId;
    return model;
}

QObject* DeviceManagerModel::GetPossibleUnknownDevice(NetworkDeviceId_t deviceId)
{
    if (DeviceModel* model = findModel(deviceId))
        return model;
    if (UnknownDeviceModelWrapper* wrapper = findWrapper(deviceId))
        return wrapper;
    m_wrappers.push_back(std::make_unique<UnknownDeviceModelWrapper>(deviceId, this));
    QJSEngine::setObjectOwnership(m_wrappers.back().get(), QJSEngine::CppOwnership);
    return m_wrappers.back().get();
}

bool DeviceManagerModel::IsThereOnlyOneDeviceAndItIsConnected() const
{
    return m_devices.size() == 1 && m_devices.front()->IsConnected();
}

DeviceModel* DeviceManagerModel::findModel(const NetworkDeviceId_t& id) const
{
    const auto found = std::find_if(m_devices.begin(), m_devices.end(),
                                    [&id](const DeviceModel* model) { return model->GetId() == id; });
    return found == m_devices.end() ? nullptr : *found;
}

UnknownDeviceModelWrapper* DeviceManagerModel::findWrapper(const NetworkDeviceId_t& id) const
{
    const auto found = std::find_if(m_wrappers.begin(), m_wrappers.end(),
                                    [&id](const auto& wrapper) { return wrapper->GetId() == id; });
    return found == m_wrappers.end() ? nullptr : found->get();
}

void DeviceManagerModel::releaseWrapper(const NetworkDeviceId_t& id)
{
    const auto found = std::find_if(m_wrappers.begin(), m_wrappers.end(),
                                    [&id](const auto& wrapper) { return wrapper->GetId() == id; });
    if (found == m_wrappers.end())
        return;
    // A block's view may still show it; a later request for the id gets a fresh one.
    DeleteLaterPtr<UnknownDeviceModelWrapper> released(found->release());
    m_wrappers.erase(found);
}

void DeviceManagerModel::attachWrapper(DeviceModel* model)
{
    UnknownDeviceModelWrapper* wrapper = findWrapper(model->GetId());
    if (wrapper && !wrapper->HasModel())
        wrapper->SetModel(model);
}

bool DeviceManagerModel::anyConnected() const
{
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [](const DeviceModel* model) { return model->IsConnected(); });
}

void DeviceManagerModel::onConnectedChanged(DeviceModel* model)
{
    m_hasAtLeastOneConnectedDevice = model->IsConnected() || anyConnected();
    Q_EMIT HasAtLeastOneConnectedDeviceChanged();
}

void DeviceManagerModel::approveDevice(const QString& deviceId)
{
    Q_EMIT DeviceApprovalDecided(deviceId, true);
}

void DeviceManagerModel::refuseDevice(const QString& deviceId)
{
    Q_EMIT DeviceApprovalDecided(deviceId, false);
}

QDebug operator<<(QDebug debug, const DeviceManagerModel& model)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "DeviceManagerModel[DeviceCount=" << model.GetDeviceCount()
                              << ", HasAtLeastOneConnectedDevice=" << model.HasAtLeastOneConnectedDevice() << "]";
    return debug;
}

} // namespace tessivar::device
