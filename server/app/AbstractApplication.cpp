#include "app/AbstractApplication.h"

#include "communication/ICommunicationHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "device/LocalNetworkDevice.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHostAddress>

namespace tessivar {

namespace {
constexpr std::chrono::milliseconds kPingInterval{2000};
} // namespace

AbstractApplication::AbstractApplication(Configuration& configuration, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_deviceManager(std::make_unique<device::DeviceManager>(configuration))
    , m_deviceApprovals(std::make_unique<device::DeviceApprovals>(configuration, *m_deviceManager->GetModel()))
{
    qRegisterMetaType<quint32>("BlockId_t");
    m_pingTimer.setInterval(kPingInterval);
}

AbstractApplication::~AbstractApplication()
{
    // The device callbacks reach into this object; devices may still go away below.
    m_deviceManager->SetDeviceConnectedCallback({});
    m_deviceManager->SetDeviceDisconnectedCallback({});
}

void AbstractApplication::init(std::unique_ptr<communication::MessageHandler> messageHandler,
                               std::unique_ptr<communication::ICommunicationHandler> communicationHandler)
{
    adoptMessaging(std::move(messageHandler), std::move(communicationHandler));
    init();
}

void AbstractApplication::adoptMessaging(std::unique_ptr<communication::MessageHandler> messageHandler,
                                         std::unique_ptr<communication::ICommunicationHandler> communicationHandler)
{
    m_messageHandler = std::move(messageHandler);
    m_communicationHandler = std::move(communicationHandler);
    m_emissionFactory
        = std::make_unique<communication::MessageEmissionBuilderFactory>(m_deviceManager->GetCurrentDevice().GetId());
}

void AbstractApplication::init()
{
    if (!m_messageHandler || !m_communicationHandler)
        qFatal("MessageHandler not yet ready");
    m_initialised = true;

    // A device not (yet) approved by the user is listed but not served: no answer to
    // its Hello, no registration, no blocks, no transfers, its Data ignored.
    m_messageHandler->SetReceptionFilter([this](const communication::MessageReception& reception) {
        return m_deviceApprovals->Admits(reception.GetSenderId());
    });
    // Greeted at once, so that its answer brings the registration without waiting for a ping.
    connect(m_deviceApprovals.get(), &device::DeviceApprovals::deviceApproved, this,
            [this](const NetworkDeviceId_t& deviceId) {
                sendHello({deviceId, {}}, false);
            });
    connect(m_communicationHandler.get(), &communication::ICommunicationHandler::NetworkErrorOccurred, this,
            &AbstractApplication::onNetworkError, Qt::QueuedConnection);

    m_messageHandler->On<communication::Message_RegisterDevice>(
        [this](const communication::Message_RegisterDevice& message, const communication::MessageReception& reception) {
            onRegisterDeviceReceived(message, reception.GetSenderId());
        });
    m_messageHandler->On<communication::Message_BlockList>(
        [this](const communication::Message_BlockList& message, const communication::MessageReception& reception) {
            onBlockListReceived(message.GetBlockIds(), reception.GetSenderId());
        });

    m_deviceManager->SetDeviceConnectedCallback(
        [](const device::IDevice& device) { qCInfo(lcApp) << "Device connected:" << device; });
    m_deviceManager->SetDeviceDisconnectedCallback([this](const device::IDevice& device) {
        qCInfo(lcApp) << "Device disconnected:" << device;
        onDeviceDisconnected(device.GetId());
    });

    connect(&m_pingTimer, &QTimer::timeout, this, &AbstractApplication::pingKnownDevices);
    m_pingTimer.start();
}

void AbstractApplication::setPingInterval(std::chrono::milliseconds interval)
{
    m_pingTimer.setInterval(interval);
}

device::DeviceApprovals& AbstractApplication::deviceApprovals()
{
    return *m_deviceApprovals;
}

communication::MessageHandler& AbstractApplication::messageHandler() const
{
    if (!m_initialised || !m_messageHandler)
        qFatal("MessageHandler not yet ready");
    return *m_messageHandler;
}

communication::MessageEmissionBuilderFactory& AbstractApplication::emissionFactory() const
{
    if (!m_initialised || !m_emissionFactory)
        qFatal("MessageEmissionBuilderFactory not yet ready");
    return *m_emissionFactory;
}

communication::ICommunicationHandler* AbstractApplication::communicationHandler() const
{
    return m_communicationHandler.get();
}

void AbstractApplication::onRegisterDeviceReceived(const communication::Message_RegisterDevice& message,
                                                   const NetworkDeviceId_t& senderId)
{
    device::IDevice* device = m_deviceManager->GetDevice(senderId);
    if (device) {
        device->Register(message.GetName(), message.GetApplicationType(), message.GetSoftwareVersion());
        m_deviceManager->SaveKnownDevices();
        qCInfo(lcApp) << "Device registered:" << *device;
    } else {
        qCInfo(lcApp) << "Device registered:"
                      << "nullopt";
    }
    onDeviceRegistered(senderId, message.GetName(), message.GetSoftwareVersion(), message.GetDataClassInfoList());
}

void AbstractApplication::onBlockListReceived(QList<BlockId_t> deviceBlocks, NetworkDeviceId_t deviceId)
{
    qCDebug(lcApp) << "Module list of" << deviceId << ": " << deviceBlocks;
}

void AbstractApplication::onDeviceRegistered(NetworkDeviceId_t, QString, QVersionNumber, QList<ModuleDataClassInfo_t>)
{
}

void AbstractApplication::onDeviceDisconnected(const NetworkDeviceId_t&)
{
}

void AbstractApplication::sendHello(const Destination& destination, bool allowNonConnected)
{
    GreetingFlow::SendHello(messageHandler(), emissionFactory(), destination, allowNonConnected);
}

QList<AbstractApplication::Destination>
AbstractApplication::devicesWhere(const std::function<bool(const device::IDevice&)>& condition) const
{
    return GreetingFlow::DevicesWhere(*m_deviceManager, condition);
}

void AbstractApplication::broadcastHello()
{
    GreetingFlow::BroadcastHello(messageHandler(), emissionFactory());
}

void AbstractApplication::pingKnownDevices()
{
    const QList<Destination> connected
        = devicesWhere([](const device::IDevice& device) { return device.IsConnected(); });
    for (const Destination& destination : connected)
        sendHello(destination, false);
}

void AbstractApplication::changeDeviceName(const QString& name)
{
    m_deviceManager->GetCurrentDevice().SetName(name);
    const QList<Destination> all = devicesWhere([](const device::IDevice&) { return true; });
    for (const Destination& destination : all)
        sendHello(destination, false);
}

void AbstractApplication::addDevice(const QString& address)
{
    const QHostAddress hostAddress(address);
    if (hostAddress.isNull())
        return;
    m_deviceManager->AddDevice(std::make_unique<device::LocalNetworkDevice>(hostAddress));
}

void AbstractApplication::removeDevice(const NetworkDeviceId_t& deviceId)
{
    m_deviceManager->RemoveDevice(deviceId);
}

void AbstractApplication::exit()
{
    QCoreApplication::exit(0);
}

QString AbstractApplication::getSoftwareVersion() const
{
    return softwareVersion().toString();
}

device::DeviceManager& AbstractApplication::deviceManager()
{
    return *m_deviceManager;
}

Configuration& AbstractApplication::configuration()
{
    return m_configuration;
}

QObject* AbstractApplication::releaseNotes()
{
    return &m_releaseNotes;
}

} // namespace tessivar
