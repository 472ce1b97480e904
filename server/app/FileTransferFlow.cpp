#include "app/FileTransferFlow.h"

#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "core/ApplicationConstants.h"
#include "core/CommonConfiguration.h"
#include "core/LenientListStream.h"
#include "core/Logging.h"
#include "device/IDevice.h"
#include "device/IDeviceManager.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleDataInfo.h"
#include "transfer/ReceivedFileNames.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>

namespace tessivar {

using communication::MessageReception;

namespace {

QString logFolderOf(const FileTransferFlow::Options& options)
{
    QString folder = options.logFolder.isEmpty() ? logDirectory() : options.logFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
    return folder;
}

} // namespace

FileTransferFlow::FileTransferFlow(communication::MessageHandler& messages,
                                   communication::MessageEmissionBuilderFactory& emissions,
                                   device::IDeviceManager& devices, const PluginManager& plugins,
                                   const CommonConfiguration& configuration, Options options, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_emissions(emissions)
    , m_devices(devices)
    , m_plugins(plugins)
    , m_configuration(configuration)
    , m_logFolder(logFolderOf(options))
    , m_monitor(m_manager, m_logFolder, std::move(options.openFolder), options.monitorPollIntervalMs)
{
    m_monitor.setSilenceTimeout(options.silenceTimeoutMs);
    // A device that answers after the user was told it did not is not listened to.
    m_manager.setRequestTimeout(std::chrono::milliseconds(options.silenceTimeoutMs));
    connect(
        &m_manager, &transfer::FileTransferManager::fileTransferStatusUpdated, this,
        [this](const NetworkDeviceId_t& destination, const FileTransferMetaData_t& metaData, const QByteArray& data) {
            m_messages.SendMessage(
                m_emissions.Create<communication::Message_FileTransfer>(destination, metaData, data).Build());
        });
}

void FileTransferFlow::registerHandlers(communication::MessageHandler& messageHandler)
{
    messageHandler.On<communication::Message_FileTransferRequest>(
        [this](const communication::Message_FileTransferRequest& request, const MessageReception& reception) {
            onFileTransferRequestReceived(request.GetRequestType(), request.GetRequestData(), reception.GetSenderId());
        });
    messageHandler.On<communication::Message_FileTransfer>(
        [this](const communication::Message_FileTransfer& message, const MessageReception& reception) {
            onFileTransferReceived(message, reception.GetSenderId());
        });
}

FileTransferFlow::~FileTransferFlow() = default;

bool FileTransferFlow::isRegistered(const NetworkDeviceId_t& deviceId)
{
    device::IDevice* device = m_devices.GetDevice(deviceId);
    return device && device->IsRegistered();
}

QString FileTransferFlow::deviceFolder(const NetworkDeviceId_t& deviceId)
{
    device::IDevice* device = m_devices.GetDevice(deviceId);
    const QString name = device ? device->GetName() : QString();
    return m_logFolder + transfer::deviceFolderName(name, deviceId);
}

void FileTransferFlow::onFileTransferReceived(const communication::Message_FileTransfer& message,
                                              const NetworkDeviceId_t& source)
{
    m_manager.HandleMessage(source, message.GetMetaData(), message.GetFileData(),
                            [this, source] { return deviceFolder(source); });
}

void FileTransferFlow::onFileTransferRequestReceived(FileTransferRequestType_e requestType,
                                                     const QByteArray& requestData, const NetworkDeviceId_t& sender)
{
    qCInfo(lcApp) << "File transfer requested" << quint16(requestType) << "from" << sender;
    bool queued = false;
    switch (requestType) {
    case FileTransferRequestType_e::LogFiles:
    case FileTransferRequestType_e::SettingsFile:
        // The server's logs and settings are the user's data: registered devices only.
        if (!isRegistered(sender)) {
            qCWarning(lcApp) << "Request for the server's files from a device not registered refused:" << sender;
            return;
        }
        if (requestType == FileTransferRequestType_e::LogFiles) {
            QList<QPair<QUrl, QString>> files;
            for (const QString& path : logFiles())
                files.append({QUrl::fromLocalFile(path), QFileInfo(path).fileName()});
            queued = m_manager.QueueFiles(files, sender, requestType);
        } else {
            const QString path = m_configuration.fileName();
            queued
                = m_manager.QueueFile(QUrl::fromLocalFile(path), QFileInfo(path).fileName(), sender, requestType, 1, 1);
        }
        break;
    case FileTransferRequestType_e::DataClassFiles:
        queued = queueDataClassFiles(requestData, sender);
        break;
    default:
        return;
    }
    // A transfer already running goes on: only an idle queue starts.
    if (queued)
        m_manager.StartNextTransfer();
}

bool FileTransferFlow::queueDataClassFiles(const QByteArray& requestData, const NetworkDeviceId_t& destination)
{
    QDataStream stream(requestData);
    stream.setVersion(kDataStreamVersion);
    QList<QString> classIds;
    readListLeniently(stream, classIds);
    if (classIds.size() > kMaxRequestedDataClasses)
        classIds.resize(kMaxRequestedDataClasses);

    QList<QPair<QUrl, QString>> files;
    QList<QByteArray> transferData;
    for (const QString& classId : std::as_const(classIds)) {
        const TessivarModuleDataInfo* dataClass = m_plugins.FindModuleDataClass(classId);
        if (!dataClass)
            continue;
        QByteArray classData;
        QDataStream out(&classData, QIODevice::WriteOnly);
        out.setVersion(kDataStreamVersion);
        out << classId;
        const QUrl widget = dataClass->getClientDataDisplayWidgetPath();
        files.append({widget, QFileInfo(PluginManager::ClientFilePath(widget)).fileName()});
        transferData.append(classData);
        for (const TessivarModuleDataInfo::ClientFile& file : dataClass->getClientFiles()) {
            files.append({file.url, file.name});
            transferData.append(classData);
        }
    }
    return !files.isEmpty()
        && m_manager.QueueFiles(files, destination, FileTransferRequestType_e::DataClassFiles, transferData);
}

void FileTransferFlow::sendRequest(FileTransferRequestType_e type, const NetworkDeviceId_t& deviceId)
{
    QByteArray requestData;
    QDataStream stream(&requestData, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << QString();
    m_messages.SendMessage(
        m_emissions.Create<communication::Message_FileTransferRequest>(deviceId, type, requestData).Build());
}

void FileTransferFlow::requestLogs(const NetworkDeviceId_t& deviceId)
{
    m_monitor.awaitTransfer(deviceId, FileTransferRequestType_e::LogFiles);
    m_manager.ExpectFiles(deviceId, FileTransferRequestType_e::LogFiles);
    sendRequest(FileTransferRequestType_e::LogFiles, deviceId);
}

void FileTransferFlow::requestSettings(const NetworkDeviceId_t& deviceId)
{
    m_monitor.awaitTransfer(deviceId, FileTransferRequestType_e::SettingsFile);
    m_manager.ExpectFiles(deviceId, FileTransferRequestType_e::SettingsFile);
    sendRequest(FileTransferRequestType_e::SettingsFile, deviceId);
}

void FileTransferFlow::onDeviceDisconnected(const NetworkDeviceId_t& deviceId)
{
    m_manager.CancelTransfers(deviceId);
}

} // namespace tessivar
