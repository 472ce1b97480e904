#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleDataClassInfo.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class PluginManager;

namespace tessivar {

namespace communication {
class MessageEmissionBuilderFactory;
class MessageHandler;
class Message_Hello;
} // namespace communication

namespace device {
class IDevice;
class IDeviceManager;
} // namespace device

// Greetings and registration: the periodic Hello broadcast, the wake-up Hello to every
// device that is not connected, and the RegisterDevice request to a device that says
// Hello before it has registered.
class GreetingFlow : public QObject
{
    Q_OBJECT

public:
    GreetingFlow(communication::MessageHandler& messages, communication::MessageEmissionBuilderFactory& emissions,
                 device::IDeviceManager& devices, PluginManager& pluginManager, std::chrono::milliseconds helloInterval,
                 std::chrono::milliseconds wakeUpInterval, QObject* parent = nullptr);

    // A device is addressed by its id, or by its address while it has none (added by hand).
    struct Destination {
        NetworkDeviceId_t id;
        QHostAddress address;
    };
    // Collected first: sending may change the device list.
    static QList<Destination> DevicesWhere(device::IDeviceManager& devices,
                                           const std::function<bool(const device::IDevice&)>& condition);
    static void SendHello(communication::MessageHandler& messages,
                          communication::MessageEmissionBuilderFactory& emissions, const Destination& destination,
                          bool allowNonConnected);
    static void BroadcastHello(communication::MessageHandler& messages,
                               communication::MessageEmissionBuilderFactory& emissions);

    void registerHandlers(communication::MessageHandler& messageHandler);
    // The hello and wake-up timers; started once the server runs.
    void start();

    void wakeUpDevices();
    void broadcastHello();
    // Compares the device's data classes with the server's; a mismatch is only logged.
    void checkDataClasses(const QList<ModuleDataClassInfo_t>& dataClassInfoList) const;

private:
    void onHelloReceived(const communication::Message_Hello& hello);

    communication::MessageHandler& m_messages;
    communication::MessageEmissionBuilderFactory& m_emissions;
    device::IDeviceManager& m_devices;
    PluginManager& m_pluginManager;
    QTimer m_helloTimer;
    QTimer m_wakeUpTimer;
};

} // namespace tessivar
