#pragma once

#include "communication/DashboardImportModule.h"
#include "communication/FileTransferMetaData.h"
#include "communication/MessageEmissionBuilder.h"
#include "core/DeviceTypes.h"
#include "core/ModuleDataClassInfo.h"
#include "core/ModuleTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <QVersionNumber>

#include <memory>
#include <type_traits>
#include <utility>

namespace tessivar::communication {

// Makes the builders of the server's outgoing messages and numbers them: each
// message takes the counter's value as its sequence id, then the counter moves on.
class MessageEmissionBuilderFactory
{
public:
    explicit MessageEmissionBuilderFactory(NetworkDeviceId_t localDeviceId);

    // Any message, built from the arguments of its constructor and numbered like the rest.
    template<typename Message, typename... Args>
    MessageEmissionBuilder Create(const NetworkDeviceId_t& destination, Args&&... args)
    {
        static_assert(std::is_base_of_v<IMessage, Message>, "only messages are emitted");
        return makeBuilder(std::make_unique<Message>(std::forward<Args>(args)...), destination);
    }

    // The Hello carries the local device's id; a broadcast one has no destination.
    MessageEmissionBuilder CreateHelloMessage(const NetworkDeviceId_t& destination = {});
    MessageEmissionBuilder CreateRegisterDeviceMessage(const QString& name, device::ApplicationType_e applicationType,
                                                       const QVersionNumber& softwareVersion,
                                                       const QList<ModuleDataClassInfo_t>& dataClassInfoList,
                                                       const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateModuleListMessage(const QList<BlockId_t>& blockIds,
                                                   const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateRegisterModuleMessage(const QString& dataClassId, const QString& dataWidget,
                                                       const QVersionNumber& serverVersion,
                                                       const QVariantMap& parameters, const QVariantMap& data,
                                                       BlockCreationRequestId_t requestIndex,
                                                       const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateDeleteModuleMessage(BlockId_t blockId, const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateUpdateParametersMessage(BlockId_t blockId, const QVariantMap& parameters,
                                                         const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateDataMessage(BlockId_t blockId, const QVariantMap& data,
                                             const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateNotificationMessage(const QString& text, qint32 duration,
                                                     const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateFileTransferRequestMessage(FileTransferRequestType_e requestType,
                                                            const QByteArray& requestData,
                                                            const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateFileTransferMessage(const FileTransferMetaData_t& metaData, const QByteArray& fileData,
                                                     const NetworkDeviceId_t& destination);

    MessageEmissionBuilder CreateDashboardExportRequestMessage(const NetworkDeviceId_t& destination);
    MessageEmissionBuilder CreateDashboardImportRequestMessage(const DashboardImportData_t& importData,
                                                               const NetworkDeviceId_t& destination);

    const NetworkDeviceId_t& GetLocalDeviceId() const;
    // The sequence id the next message will take.
    quint64 GetNextSequenceId() const;

private:
    MessageEmissionBuilder makeBuilder(std::unique_ptr<IMessage> message, const NetworkDeviceId_t& destination);

    NetworkDeviceId_t m_localDeviceId;
    quint64 m_sequenceCounter = 0;
};

} // namespace tessivar::communication
