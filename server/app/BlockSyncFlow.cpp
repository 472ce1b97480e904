#include "app/BlockSyncFlow.h"

#include "app/ErrorHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_UpdateParameters.h"
#include "core/ApplicationConstants.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"

#include <QTimer>

namespace tessivar {

using communication::MessageReception;

BlockSyncFlow::BlockSyncFlow(communication::MessageHandler& messages,
                             communication::MessageEmissionBuilderFactory& emissions, device::IDeviceManager& devices,
                             ModuleList& moduleList, std::chrono::milliseconds checkLoadedSourcesDelay, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_emissions(emissions)
    , m_devices(devices)
    , m_moduleList(moduleList)
    , m_checkLoadedSourcesDelay(checkLoadedSourcesDelay)
{
}

void BlockSyncFlow::registerHandlers(communication::MessageHandler& messageHandler)
{
    messageHandler.On<communication::Message_Data>(
        [this](const communication::Message_Data& message, const MessageReception& reception) {
            m_moduleList.ProcessBlockData(message.GetBlockId(), reception.GetSenderId(), message.GetData());
        });
    messageHandler.On<communication::Message_DeleteBlock>(
        [this](const communication::Message_DeleteBlock& message, const MessageReception& reception) {
            m_moduleList.DeleteBlock(message.GetBlockId(), reception.GetSenderId());
        });
}

template<typename Message, typename... Args>
void BlockSyncFlow::send(const NetworkDeviceId_t& destination, Args&&... args)
{
    m_messages.SendMessage(m_emissions.Create<Message>(destination, std::forward<Args>(args)...).Build());
}

void BlockSyncFlow::connectModuleList()
{
    using namespace communication;
    connect(&m_moduleList, &ModuleList::moduleDeleted, this,
            [this](BlockId_t blockId, NetworkDeviceId_t deviceId) { send<Message_DeleteBlock>(deviceId, blockId); });
    connect(&m_moduleList, &ModuleList::moduleParametersUpdated, this,
            [this](BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap parameters) {
                send<Message_UpdateParameters>(deviceId, blockId, std::move(parameters));
            });
    connect(&m_moduleList, &ModuleList::moduleDataUpdated, this,
            [this](BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap data) {
                send<Message_Data>(deviceId, blockId, std::move(data));
            });
    connect(&m_moduleList, &ModuleList::moduleNotificationSent, this,
            [this](QString text, int duration, NetworkDeviceId_t deviceId) {
                send<Message_Notification>(deviceId, std::move(text), duration);
            });
    connect(&m_moduleList, &ModuleList::moduleCreationRequested, this,
            [this](ModuleDataId_t dataClassId, QString dataWidget, QVariantMap parameters, QVariantMap data,
                   BlockCreationRequestId_t requestId, NetworkDeviceId_t deviceId) {
                send<Message_RegisterBlock>(deviceId, std::move(dataClassId), std::move(dataWidget), softwareVersion(),
                                            std::move(parameters), std::move(data), requestId);
            });
}

void BlockSyncFlow::loadBlocks(PluginManager& pluginManager, ErrorHandler* errorHandler)
{
    if (!m_moduleList.LoadModules(pluginManager) && errorHandler)
        errorHandler->report(ErrorHandler::InvalidModule, {});
    if (m_moduleList.rowCount() > 0)
        QTimer::singleShot(m_checkLoadedSourcesDelay, this, &BlockSyncFlow::checkLoadedSources);
}

void BlockSyncFlow::onDeviceRegistered(const NetworkDeviceId_t& deviceId)
{
    send<communication::Message_BlockList>(deviceId, m_moduleList.GetBlockIdsOfDevice(deviceId));
    m_moduleList.ActivateModulesOfDevice(deviceId);
}

void BlockSyncFlow::onBlockListReceived(const QList<BlockId_t>& deviceBlocks, const NetworkDeviceId_t& deviceId)
{
    m_moduleList.SyncBlockList(deviceId, deviceBlocks);
}

void BlockSyncFlow::onDeviceDisconnected(const NetworkDeviceId_t& deviceId)
{
    m_moduleList.DeactivateModulesOfDevice(deviceId);
}

void BlockSyncFlow::checkLoadedSources()
{
    QStringList connected;
    m_devices.ForEachDevice([&connected](device::IDevice& device) {
        if (device.IsConnected())
            connected.append(device.GetId());
    });
    m_moduleList.DeactivateModulesNotOn(connected);
}

} // namespace tessivar
