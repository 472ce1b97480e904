#pragma once

#include "app/GreetingFlow.h"
#include "communication/MessageType.h"
#include "core/Configuration.h"
#include "core/ModuleDataClassInfo.h"
#include "core/ModuleTypes.h"
#include "device/DeviceApprovals.h"
#include "device/DeviceManager.h"
#include "update/ReleaseNotesModel.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVersionNumber>

#include <chrono>
#include <functional>
#include <memory>

namespace tessivar {

namespace communication {
class ICommunicationHandler;
class MessageEmissionBuilderFactory;
class MessageHandler;
class MessageReception;
class Message_RegisterDevice;
} // namespace communication

// What any application of the system has: the devices it knows, the means to reach
// them, and the flows that bring a device from first contact to registration.
class AbstractApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* ReleaseNotes READ releaseNotes CONSTANT)

public:
    explicit AbstractApplication(Configuration& configuration, QObject* parent = nullptr);
    ~AbstractApplication() override;

    // Takes both objects over, creates the emission factory, registers the handlers of
    // registration and block lists, installs the device callbacks and starts pinging.
    void init(std::unique_ptr<communication::MessageHandler> messageHandler,
              std::unique_ptr<communication::ICommunicationHandler> communicationHandler);

    Q_INVOKABLE void addDevice(const QString& address);
    Q_INVOKABLE void removeDevice(const NetworkDeviceId_t& deviceId);
    Q_INVOKABLE void exit();
    Q_INVOKABLE QString getSoftwareVersion() const;
    Q_INVOKABLE QObject* releaseNotes();

    device::DeviceManager& deviceManager();
    device::DeviceApprovals& deviceApprovals();
    Configuration& configuration();
    // Both end the program when used before init: no flow may reach them earlier.
    communication::MessageHandler& messageHandler() const;
    communication::MessageEmissionBuilderFactory& emissionFactory() const;
    communication::ICommunicationHandler* communicationHandler() const;

    void setPingInterval(std::chrono::milliseconds interval);

    using Destination = GreetingFlow::Destination;
    QList<Destination> devicesWhere(const std::function<bool(const device::IDevice&)>& condition) const;
    void sendHello(const Destination& destination, bool allowNonConnected);

Q_SIGNALS:
    void releaseNotesRequested();

public Q_SLOTS:
    virtual void onNetworkError(QString errorDescription) = 0;
    virtual void onBlockListReceived(QList<BlockId_t> deviceBlocks, NetworkDeviceId_t deviceId);
    virtual void onDeviceRegistered(NetworkDeviceId_t deviceId, QString deviceName,
                                    QVersionNumber deviceSoftwareversion,
                                    QList<ModuleDataClassInfo_t> dataClassInfoList);
    virtual void onDeviceDisconnected(const NetworkDeviceId_t& deviceId);
    void pingKnownDevices();
    void broadcastHello();
    void changeDeviceName(const QString& name);

protected:
    // Takes both objects over and creates the emission factory, so that the flows can be
    // built over them; init() then puts them to use. Until then they are not ready.
    void adoptMessaging(std::unique_ptr<communication::MessageHandler> messageHandler,
                        std::unique_ptr<communication::ICommunicationHandler> communicationHandler);
    // The rest of init, over what adoptMessaging took.
    void init();

private:
    void onRegisterDeviceReceived(const communication::Message_RegisterDevice& message,
                                  const NetworkDeviceId_t& senderId);

protected:
    Configuration& m_configuration;
    QTimer m_pingTimer;
    std::unique_ptr<device::DeviceManager> m_deviceManager;
    std::unique_ptr<device::DeviceApprovals> m_deviceApprovals;
    std::unique_ptr<communication::ICommunicationHandler> m_communicationHandler;
    std::unique_ptr<communication::MessageHandler> m_messageHandler;
    std::unique_ptr<communication::MessageEmissionBuilderFactory> m_emissionFactory;
    update::ReleaseNotesModel m_releaseNotes;
    bool m_initialised = false;
};

} // namespace tessivar
