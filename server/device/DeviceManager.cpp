#include "device/DeviceManager.h"

#include "core/CommonConfiguration.h"
#include "core/Logging.h"
#include "device/LocalNetworkDevice.h"

#include <QDebug>
#include <QMetaType>

#include <algorithm>

namespace tessivar::device {

namespace {

void registerDeviceIdType()
{
    if (!QMetaType::fromName("NetworkDeviceId_t").isValid())
        qRegisterMetaType<NetworkDeviceId_t>("NetworkDeviceId_t");
}

} // namespace

DeviceManager::DeviceManager(CommonConfiguration& configuration)
    : m_configuration(configuration)
    , m_currentDevice(configuration.DeviceId(), configuration.DeviceName())
    , m_model(new DeviceManagerModel)
    , m_saveThrottle([this] { writeKnownDevices(); })
{
    registerDeviceIdType();
    restoreKnownDevices();
}

DeviceManager::~DeviceManager()
{
    m_saveThrottle.Flush();
    m_connectedCallback = nullptr;
    m_disconnectedCallback = nullptr;
    m_model.reset();
    for (auto& device : m_devices)
        device.reset();
    m_devices.clear();
}

void DeviceManager::restoreKnownDevices()
{
    const QList<DeviceData_t> stored = m_configuration.KnownDevices();
    for (const DeviceData_t& record : stored) {
        // Without an id a stored device could never be told apart from a new one.
        if (record.id.isEmpty()) {
            qCWarning(lcDevice) << "DeviceManager: ignoring stored device without ID";
            continue;
        }
        if (findById(record.id)) {
            qCWarning(lcDevice) << "DeviceManager: ignoring stored device with a duplicate ID" << record.id;
            continue;
        }
        auto device = std::make_unique<LocalNetworkDevice>(record.id, record.address);
        device->SetName(record.name);
        device->SetApplicationType(record.applicationType);
        device->SetVersion(record.version);
        device->SetKnown(true);
        qCInfo(lcDevice) << "DeviceManager: restored known device" << *device;
        holdDevice(std::move(device));
    }
}

void DeviceManager::holdDevice(std::unique_ptr<IDevice> device)
{
    forwardConnectionChanges(*device);
    m_devices.push_back(std::move(device));
    m_model->AddDevice(m_devices.back()->GetModel());
}

void DeviceManager::forwardConnectionChanges(IDevice& device)
{
    device.OnConnectionChanged([this](const IDevice& changed, bool connected) {
        const DeviceCallback& callback = connected ? m_connectedCallback : m_disconnectedCallback;
        if (callback)
            callback(changed);
    });
}

IDevice& DeviceManager::AddNetworkDevice(const NetworkDeviceId_t& id, ApplicationType_e type)
{
    return AddDevice(std::make_unique<LocalNetworkDevice>(id, type));
}

IDevice& DeviceManager::AddDevice(std::unique_ptr<IDevice> device)
{
    qCInfo(lcDevice) << "DeviceManager: adding device" << *device;
    // Devices added by hand have no id yet; two of them are still two devices.
    if (IDevice* held = device->GetId().isEmpty() ? nullptr : findById(device->GetId())) {
        qCInfo(lcDevice) << "ID already known, ignoring";
        return *held;
    }
    // A device without an id has none to hand over.
    if (!device->IsAddedManually() && !device->GetId().isEmpty() && !device->GetAddress().isNull()) {
        if (IDevice* held = findByAddress(device->GetAddress())) {
            held->SetId(device->GetId());
            SaveKnownDevices();
            return *held;
        }
    }
    const bool stored = isStored(*device);
    holdDevice(std::move(device));
    IDevice& added = *m_devices.back();
    // A device first heard of is not stored until it registers: the stored list stays
    // as it is, and a flood of invented ids costs no writes.
    if (stored)
        SaveKnownDevices();
    return added;
}

void DeviceManager::RemoveDevice(const NetworkDeviceId_t& id)
{
    const auto found
        = std::find_if(m_devices.begin(), m_devices.end(), [&id](const auto& device) { return device->GetId() == id; });
    if (found == m_devices.end())
        return;
    qCInfo(lcDevice) << "Removing device" << *found;
    const bool stored = isStored(**found);
    m_model->RemoveDevice((*found)->GetModel());
    m_devices.erase(found);
    if (stored)
        SaveKnownDevices();
}

bool DeviceManager::isStored(const IDevice& device)
{
    // Records without an id are never restored, so they are not written either.
    return !device.IsAddedManually() && device.IsKnown() && !device.GetId().isEmpty();
}

void DeviceManager::SaveKnownDevices()
{
    m_saveThrottle.Request();
}

void DeviceManager::FlushKnownDevices()
{
    m_saveThrottle.Flush();
}

void DeviceManager::writeKnownDevices()
{
    QList<DeviceData_t> known;
    for (const auto& device : m_devices) {
        if (!isStored(*device))
            continue;
        DeviceData_t record;
        record.id = device->GetId();
        record.name = device->GetName();
        record.applicationType = device->GetApplicationType();
        record.version = device->GetVersion();
        record.address = device->GetAddress();
        record.known = device->IsKnown();
        known.append(record);
    }
    m_configuration.setKnownDevices(known);
}

void DeviceManager::SetDeviceConnectedCallback(DeviceCallback callback)
{
    m_connectedCallback = std::move(callback);
}

void DeviceManager::SetDeviceDisconnectedCallback(DeviceCallback callback)
{
    m_disconnectedCallback = std::move(callback);
}

IDevice* DeviceManager::GetDevice(const NetworkDeviceId_t& id)
{
    return id.isEmpty() ? nullptr : findById(id);
}

IDevice& DeviceManager::GetCurrentDevice()
{
    return m_currentDevice;
}

const IDevice& DeviceManager::GetCurrentDevice() const
{
    return m_currentDevice;
}

DeviceManagerModel* DeviceManager::GetModel()
{
    return m_model.get();
}

void DeviceManager::ForEachDevice(std::function<void(IDevice&)> fn)
{
    for (const auto& device : m_devices)
        fn(*device);
}

int DeviceManager::GetDeviceCount() const
{
    return static_cast<int>(m_devices.size());
}

IDevice* DeviceManager::findById(const NetworkDeviceId_t& id) const
{
    const auto found
        = std::find_if(m_devices.begin(), m_devices.end(), [&id](const auto& device) { return device->GetId() == id; });
    return found == m_devices.end() ? nullptr : found->get();
}

IDevice* DeviceManager::findByAddress(const QHostAddress& address) const
{
    const auto found = std::find_if(m_devices.begin(), m_devices.end(),
                                    [&address](const auto& device) { return device->GetAddress() == address; });
    return found == m_devices.end() ? nullptr : found->get();
}

QDebug operator<<(QDebug debug, const DeviceManager& manager)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "DeviceManager[CurrentDevice=" << manager.GetCurrentDevice()
                              << ", DeviceCount=" << manager.GetDeviceCount() << "]";
    return debug;
}

} // namespace tessivar::device
