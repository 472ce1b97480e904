#include "communication/MessageEmissionBuilderFactory.h"

#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"

namespace tessivar::communication {

MessageEmissionBuilderFactory::MessageEmissionBuilderFactory(NetworkDeviceId_t localDeviceId)
    : m_localDeviceId(std::move(localDeviceId))
{
}

MessageEmissionBuilder MessageEmissionBuilderFactory::makeBuilder(std::unique_ptr<IMessage> message,
                                                                  const NetworkDeviceId_t& destination)
{
    const quint64 sequenceId = m_sequenceCounter++;
    return MessageEmissionBuilder(std::move(message), sequenceId, m_localDeviceId, destination);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateHelloMessage(const NetworkDeviceId_t& destination)
{
    return Create<Message_Hello>(destination, m_localDeviceId);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateRegisterDeviceMessage(
    const QString& name, device::ApplicationType_e applicationType, const QVersionNumber& softwareVersion,
    const QList<ModuleDataClassInfo_t>& dataClassInfoList, const NetworkDeviceId_t& destination)
{
    return Create<Message_RegisterDevice>(destination, name, applicationType, softwareVersion, dataClassInfoList);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateModuleListMessage(const QList<BlockId_t>& blockIds,
                                                                              const NetworkDeviceId_t& destination)
{
    return Create<Message_BlockList>(destination, blockIds);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateRegisterModuleMessage(
    const QString& dataClassId, const QString& dataWidget, const QVersionNumber& serverVersion,
    const QVariantMap& parameters, const QVariantMap& data, BlockCreationRequestId_t requestIndex,
    const NetworkDeviceId_t& destination)
{
    return Create<Message_RegisterBlock>(destination, dataClassId, dataWidget, serverVersion, parameters, data,
                                         requestIndex);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateDeleteModuleMessage(BlockId_t blockId,
                                                                                const NetworkDeviceId_t& destination)
{
    return Create<Message_DeleteBlock>(destination, blockId);
}

MessageEmissionBuilder
MessageEmissionBuilderFactory::CreateUpdateParametersMessage(BlockId_t blockId, const QVariantMap& parameters,
                                                             const NetworkDeviceId_t& destination)
{
    return Create<Message_UpdateParameters>(destination, blockId, parameters);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateDataMessage(BlockId_t blockId, const QVariantMap& data,
                                                                        const NetworkDeviceId_t& destination)
{
    return Create<Message_Data>(destination, blockId, data);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateNotificationMessage(const QString& text, qint32 duration,
                                                                                const NetworkDeviceId_t& destination)
{
    return Create<Message_Notification>(destination, text, duration);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateFileTransferRequestMessage(
    FileTransferRequestType_e requestType, const QByteArray& requestData, const NetworkDeviceId_t& destination)
{
    return Create<Message_FileTransferRequest>(destination, requestType, requestData);
}

MessageEmissionBuilder MessageEmissionBuilderFactory::CreateFileTransferMessage(const FileTransferMetaData_t& metaData,
                                                                                const QByteArray& fileData,
                                                                                const NetworkDeviceId_t& destination)
{
    return Create<Message_FileTransfer>(destination, metaData, fileData);
}

MessageEmissionBuilder
MessageEmissionBuilderFactory::CreateDashboardExportRequestMessage(const NetworkDeviceId_t& destination)
{
    return Create<Message_DashboardExportRequest>(destination);
}

MessageEmissionBuilder
MessageEmissionBuilderFactory::CreateDashboardImportRequestMessage(const DashboardImportData_t& importData,
                                                                   const NetworkDeviceId_t& destination)
{
    return Create<Message_DashboardImportRequest>(destination, importData);
}

const NetworkDeviceId_t& MessageEmissionBuilderFactory::GetLocalDeviceId() const
{
    return m_localDeviceId;
}

quint64 MessageEmissionBuilderFactory::GetNextSequenceId() const
{
    return m_sequenceCounter;
}

} // namespace tessivar::communication
