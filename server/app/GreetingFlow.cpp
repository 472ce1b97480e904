#include "app/GreetingFlow.h"

#include "app/AbstractApplication.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_Hello.h"
#include "core/Logging.h"
#include "modules/PluginManager.h"

#include <QDebug>

namespace tessivar {

using communication::MessageReception;

GreetingFlow::GreetingFlow(AbstractApplication& application, PluginManager& pluginManager,
                           std::chrono::milliseconds helloInterval, std::chrono::milliseconds wakeUpInterval,
                           QObject* parent)
    : QObject(parent)
    , m_application(application)
    , m_pluginManager(pluginManager)
{
    m_helloTimer.setInterval(helloInterval);
    m_wakeUpTimer.setInterval(wakeUpInterval);
    connect(&m_helloTimer, &QTimer::timeout, &m_application, &AbstractApplication::broadcastHello);
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

void GreetingFlow::wakeUpDevices()
{
    using Destination = AbstractApplication::Destination;
    const QList<Destination> away
        = m_application.devicesWhere([](const device::IDevice& device) { return !device.IsConnected(); });
    for (const Destination& destination : away)
        m_application.sendHello(destination, true);
}

void GreetingFlow::onHelloReceived(const communication::Message_Hello& hello)
{
    device::DeviceManager& devices = m_application.deviceManager();
    device::IDevice* device = devices.GetDevice(hello.GetSenderDeviceId());
    if (!device) {
        qCInfo(lcApp).nospace() << "Received Hello from unknown device id [" << hello.GetSenderDeviceId() << "]";
        return;
    }
    qCDebug(lcApp).nospace() << "Received Hello from device [" << *device << "]";
    if (device->IsRegistered())
        return;
    qCInfo(lcApp) << "Requesting device registration";
    const device::IDevice& local = devices.GetCurrentDevice();
    m_application.messageHandler().SendMessage(
        m_application.emissionFactory()
            .CreateRegisterDeviceMessage(local.GetName(), local.GetApplicationType(), local.GetVersion(),
                                         m_pluginManager.DataClassCatalogue(), device->GetId())
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
