#include "app/GreetingFlow.h"

#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/Logging.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"
#include "modules/PluginManager.h"

#include <QDebug>

namespace tessivar {

using communication::MessageReception;

GreetingFlow::GreetingFlow(communication::MessageHandler& messages,
                           communication::MessageEmissionBuilderFactory& emissions, device::IDeviceManager& devices,
                           PluginManager& pluginManager, std::chrono::milliseconds helloInterval,
                           std::chrono::milliseconds wakeUpInterval, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_emissions(emissions)
    , m_devices(devices)
    , m_pluginManager(pluginManager)
{
    m_helloTimer.setInterval(helloInterval);
    m_wakeUpTimer.setInterval(wakeUpInterval);
    connect(&m_helloTimer, &QTimer::timeout, this, &GreetingFlow::broadcastHello);
    connect(&m_wakeUpTimer, &QTimer::timeout, this, &GreetingFlow::wakeUpDevices);
}

void GreetingFlow::registerHandlers(communication::MessageHandler& messageHandler)
{
    messageHandler.On<communication::Message_Hello>(
        [this](const communication::Message_Hello& hello, const MessageReception&) { onHelloReceived(hello); });
}

void GreetingFlow::start()
{
    m_helloTimer.start();
    m_wakeUpTimer.start();
}

QList<GreetingFlow::Destination>
GreetingFlow::DevicesWhere(device::IDeviceManager& devices,
                           const std::function<bool(const device::IDevice&)>& condition)
{
    QList<Destination> found;
    devices.ForEachDevice([&found, &condition](device::IDevice& device) {
        if (condition(device))
            found.append({device.GetId(), device.GetAddress()});
    });
    return found;
}

void GreetingFlow::SendHello(communication::MessageHandler& messages,
                             communication::MessageEmissionBuilderFactory& emissions, const Destination& destination,
                             bool allowNonConnected)
{
    auto builder = emissions.CreateHelloMessage(destination.id);
    if (destination.id.isEmpty())
        builder.ToAddress(destination.address);
    if (allowNonConnected)
        builder.AllowNonConnected();
    messages.SendMessage(builder.Build());
}

void GreetingFlow::BroadcastHello(communication::MessageHandler& messages,
                                  communication::MessageEmissionBuilderFactory& emissions)
{
    messages.SendMessage(emissions.CreateHelloMessage(NetworkDeviceId_t()).Broadcast().Build());
}

void GreetingFlow::broadcastHello()
{
    BroadcastHello(m_messages, m_emissions);
}

void GreetingFlow::wakeUpDevices()
{
    const QList<Destination> away
        = DevicesWhere(m_devices, [](const device::IDevice& device) { return !device.IsConnected(); });
    for (const Destination& destination : away)
        SendHello(m_messages, m_emissions, destination, true);
}

void GreetingFlow::onHelloReceived(const communication::Message_Hello& hello)
{
    device::IDevice* device = m_devices.GetDevice(hello.GetSenderDeviceId());
    if (!device) {
        qCInfo(lcApp).nospace() << "Received Hello from unknown device id [" << hello.GetSenderDeviceId() << "]";
        return;
    }
    qCDebug(lcApp).nospace() << "Received Hello from device [" << *device << "]";
    if (device->IsRegistered())
        return;
    qCInfo(lcApp) << "Requesting device registration";
    const device::IDevice& local = m_devices.GetCurrentDevice();
    m_messages.SendMessage(
        m_emissions
            .Create<communication::Message_RegisterDevice>(device->GetId(), local.GetName(), local.GetApplicationType(),
                                                           local.GetVersion(), m_pluginManager.DataClassCatalogue())
            .Build());
}

void GreetingFlow::checkDataClasses(const QList<ModuleDataClassInfo_t>& dataClassInfoList) const
{
    qCDebug(lcApp) << "Plugins:";
    for (const ModuleDataClassInfo_t& dataClass : dataClassInfoList)
        qCDebug(lcApp) << "   " << dataClass;

    const QList<ModuleDataClassInfo_t>& ours = m_pluginManager.DataClassCatalogue();
    QList<ModuleDataClassInfo_t> invalid;
    for (const ModuleDataClassInfo_t& theirs : dataClassInfoList) {
        const auto same = std::find_if(ours.cbegin(), ours.cend(), [&theirs](const ModuleDataClassInfo_t& own) {
            return own.classId == theirs.classId;
        });
        const bool filesMatch = same != ours.cend()
            && std::all_of(theirs.fileList.cbegin(), theirs.fileList.cend(),
                           [&same](const ModuleDataClassInfo_t::FileInfo_t& file) {
                               return same->fileList.contains(file);
                           });
        if (!filesMatch)
            invalid.append(theirs);
    }
    if (!invalid.isEmpty()) {
        qCDebug(lcApp) << "Invalid data classes:";
        for (const ModuleDataClassInfo_t& dataClass : std::as_const(invalid))
            qCDebug(lcApp) << "   " << dataClass;
    }
}

} // namespace tessivar
