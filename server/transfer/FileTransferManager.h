#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"
#include "transfer/IncomingTransfers.h"
#include "transfer/OutgoingTransfers.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

namespace tessivar::transfer {

// Moves files between the server and devices, one file after the other, each step
// answered by an acknowledgement before the next goes out (stop-and-wait). Outgoing
// files wait in a queue; incoming ones are collected until their request is complete.
class FileTransferManager : public QObject
{
    Q_OBJECT

public:
    explicit FileTransferManager(QObject* parent = nullptr);
    ~FileTransferManager() override;

    // The bounds on what is received and queued; the defaults are the constants of
    // IncomingTransfers and OutgoingTransfers.
    struct Limits {
        int incomingFiles = IncomingTransfers::kMaxIncomingFiles;
        qint64 incomingBytes = IncomingTransfers::kMaxIncomingBytes;
        int incomingFilesPerDevice = IncomingTransfers::kMaxIncomingFilesPerDevice;
        qint64 incomingBytesPerDevice = IncomingTransfers::kMaxIncomingBytesPerDevice;
        qint64 queuedBytesPerDevice = OutgoingTransfers::kMaxQueuedBytesPerDevice;
    };
    void setLimits(const Limits& limits);

    // The server asked `device` for files of `type` (logs or settings): only such a
    // request, still open, lets files in. It closes with its last file, a drop, a
    // disconnection, or when no file starts within the request time-out.
    void ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type);

    // Reads the file (a "qrc:/" URL reads the resource) and queues it; false when the
    // file cannot be read or the destination has too much queued already.
    bool QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                   FileTransferRequestType_e requestType, qint32 index, qint32 count,
                   const QByteArray& transferData = {});
    // One request's files, numbered from 1 over those that could be queued, so that the
    // count announced is the number sent; true if at least one was queued.
    bool QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
                    FileTransferRequestType_e requestType, const QList<QByteArray>& transferDataList = {});
    // Announces the front outgoing file, unless it is announced already: files queued
    // while a transfer runs never restart it.
    void StartNextTransfer();
    bool HasOutgoing() const;
    bool HasIncoming() const;
    // Drops every file to or from that device; the next transfer to another device
    // starts at once.
    void CancelTransfers(const NetworkDeviceId_t& deviceId);

    // One FileTransfer message received from `source`: the exchange of both sides.
    // `deviceFolder` names the folder of the device's logs and settings (under the log
    // folder) once all files of such a request have arrived.
    void HandleMessage(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData, const QByteArray& data,
                       const std::function<QString()>& deviceFolder);

    void setStallTimeout(std::chrono::milliseconds timeout);
    void setIncomingStallTimeout(std::chrono::milliseconds timeout);
    void setRequestTimeout(std::chrono::milliseconds timeout);

Q_SIGNALS:
    void fileTransferStatusUpdated(NetworkDeviceId_t destinationDevice, FileTransferMetaData_t transferMetaData,
                                   QByteArray data);
    // The reception of a request's files from `source`: its first file, its end, or its loss.
    void fileTransferStarted(NetworkDeviceId_t source, FileTransferRequestType_e transferType);
    void fileTransferEnded(NetworkDeviceId_t source, FileTransferRequestType_e transferType);
    void fileTransferAborted(NetworkDeviceId_t source);
    // A requested file was refused or dropped on its way in; `reason` is for the user.
    void incomingTransferDropped(NetworkDeviceId_t source, QString reason);

private:
    OutgoingTransfers m_outgoing;
    IncomingTransfers m_incoming;
};

} // namespace tessivar::transfer

Q_DECLARE_METATYPE(FileTransferMetaData_t)
