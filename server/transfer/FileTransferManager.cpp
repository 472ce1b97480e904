#include "transfer/FileTransferManager.h"

#include "core/Logging.h"

#include <QDebug>

namespace tessivar::transfer {

FileTransferManager::FileTransferManager(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<FileTransferMetaData_t>("FileTransferMetaData_t");
    connect(&m_outgoing, &OutgoingTransfers::statusUpdated, this, &FileTransferManager::fileTransferStatusUpdated);
    connect(&m_incoming, &IncomingTransfers::statusUpdated, this, &FileTransferManager::fileTransferStatusUpdated);
    connect(&m_incoming, &IncomingTransfers::fileTransferStarted, this, &FileTransferManager::fileTransferStarted);
    connect(&m_incoming, &IncomingTransfers::fileTransferEnded, this, &FileTransferManager::fileTransferEnded);
    connect(&m_incoming, &IncomingTransfers::fileTransferAborted, this, &FileTransferManager::fileTransferAborted);
    connect(&m_incoming, &IncomingTransfers::incomingTransferDropped, this,
            &FileTransferManager::incomingTransferDropped);
}

FileTransferManager::~FileTransferManager() = default;

void FileTransferManager::setLimits(const Limits& limits)
{
    m_incoming.setLimits(IncomingTransfers::Limits{limits.incomingFiles, limits.incomingBytes,
                                                   limits.incomingFilesPerDevice, limits.incomingBytesPerDevice});
    m_outgoing.setQueuedBytesPerDevice(limits.queuedBytesPerDevice);
}

void FileTransferManager::setStallTimeout(std::chrono::milliseconds timeout)
{
    m_outgoing.setStallTimeout(timeout);
}

void FileTransferManager::setIncomingStallTimeout(std::chrono::milliseconds timeout)
{
    m_incoming.setIncomingStallTimeout(timeout);
}

void FileTransferManager::setRequestTimeout(std::chrono::milliseconds timeout)
{
    m_incoming.setRequestTimeout(timeout);
}

void FileTransferManager::ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    m_incoming.ExpectFiles(device, type);
}

bool FileTransferManager::QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                    FileTransferRequestType_e requestType, qint32 index, qint32 count,
                                    const QByteArray& transferData)
{
    return m_outgoing.QueueFile(url, name, destination, requestType, index, count, transferData);
}

bool FileTransferManager::QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
                                     FileTransferRequestType_e requestType, const QList<QByteArray>& transferDataList)
{
    return m_outgoing.QueueFiles(files, destination, requestType, transferDataList);
}

void FileTransferManager::StartNextTransfer()
{
    m_outgoing.StartNextTransfer();
}

bool FileTransferManager::HasOutgoing() const
{
    return m_outgoing.HasOutgoing();
}

bool FileTransferManager::HasIncoming() const
{
    return m_incoming.HasIncoming();
}

void FileTransferManager::CancelTransfers(const NetworkDeviceId_t& deviceId)
{
    qCInfo(lcTransfer) << "Cancelling transfers to/from" << deviceId;
    m_incoming.Cancel(deviceId);
    m_outgoing.Cancel(deviceId);
    // Whatever was asked of the device, or was arriving from it, is over.
    Q_EMIT fileTransferAborted(deviceId);
}

void FileTransferManager::HandleMessage(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                        const QByteArray& data, const std::function<QString()>& deviceFolder)
{
    switch (FileTransferStatus_e(metaData.status)) {
    case FileTransferStatus_e::Start:
        m_incoming.HandleStart(source, metaData);
        break;
    case FileTransferStatus_e::Data:
        m_incoming.HandleData(source, metaData, data);
        break;
    case FileTransferStatus_e::End:
        m_incoming.HandleEnd(source, metaData, deviceFolder);
        break;
    case FileTransferStatus_e::Acknowledgement:
        m_outgoing.Acknowledged(source);
        break;
    default: // any other value a peer sends
        break;
    }
}

} // namespace tessivar::transfer
