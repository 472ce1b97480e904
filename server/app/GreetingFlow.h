#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleDataClassInfo.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>

class PluginManager;

namespace tessivar {

class AbstractApplication;

namespace communication {
class MessageHandler;
class Message_Hello;
} // namespace communication

// Greetings and registration: the periodic Hello broadcast, the wake-up Hello to every
// device that is not connected, and the RegisterDevice request to a device that says
// Hello before it has registered.
class GreetingFlow : public QObject
{
    Q_OBJECT

public:
    GreetingFlow(AbstractApplication& application, PluginManager& pluginManager,
                 std::chrono::milliseconds helloInterval, std::chrono::milliseconds wakeUpInterval,
                 QObject* parent = nullptr);

    void registerHandlers(communication::MessageHandler& messageHandler);
    // The hello and wake-up timers; started once the server runs.
    void start();

    void wakeUpDevices();
    // Compares the device's data classes with the server's; a mismatch is only logged.
    void checkDataClasses(const QList<ModuleDataClassInfo_t>& dataClassInfoList) const;

private:
    void onHelloReceived(const communication::Message_Hello& hello);

    AbstractApplication& m_application;
    PluginManager& m_pluginManager;
    QTimer m_helloTimer;
    QTimer m_wakeUpTimer;
};

} // namespace tessivar
