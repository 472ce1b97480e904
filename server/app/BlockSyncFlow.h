#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleTypes.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>

class ModuleList;
class PluginManager;

namespace tessivar {

class ErrorHandler;

namespace communication {
class MessageEmissionBuilderFactory;
class MessageHandler;
} // namespace communication

namespace device {
class IDeviceManager;
} // namespace device

// Keeps the blocks of the module list in step with their devices: the stored blocks
// loaded at start, the block list sent to a device once it registers, block lists,
// data and deletions from devices, and every change of the module list sent on as the
// message the device needs.
class BlockSyncFlow : public QObject
{
    Q_OBJECT

public:
    BlockSyncFlow(communication::MessageHandler& messages, communication::MessageEmissionBuilderFactory& emissions,
                  device::IDeviceManager& devices, ModuleList& moduleList,
                  std::chrono::milliseconds checkLoadedSourcesDelay, QObject* parent = nullptr);

    void registerHandlers(communication::MessageHandler& messageHandler);
    // The module list's changes, each turned into one message to the block's device.
    void connectModuleList();
    // The stored blocks; a block whose plugin is gone is reported through `errorHandler`.
    void loadBlocks(PluginManager& pluginManager, ErrorHandler* errorHandler);

    void onDeviceRegistered(const NetworkDeviceId_t& deviceId);
    void onBlockListReceived(const QList<BlockId_t>& deviceBlocks, const NetworkDeviceId_t& deviceId);
    void onDeviceDisconnected(const NetworkDeviceId_t& deviceId);
    void checkLoadedSources();

private:
    // One message of that class to the device, built from the message's arguments.
    template<typename Message, typename... Args> void send(const NetworkDeviceId_t& destination, Args&&... args);

    communication::MessageHandler& m_messages;
    communication::MessageEmissionBuilderFactory& m_emissions;
    device::IDeviceManager& m_devices;
    ModuleList& m_moduleList;
    std::chrono::milliseconds m_checkLoadedSourcesDelay;
};

} // namespace tessivar
