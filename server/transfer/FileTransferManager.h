#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace tessivar::transfer {

// Moves files between the server and devices, one file after the other, each step
// answered by an acknowledgement before the next goes out (stop-and-wait). Outgoing
// files wait in a queue; incoming ones are collected until their request is complete.
class FileTransferManager : public QObject
{
    Q_OBJECT

public:
    // The size of one data message's chunk; the last chunk of a file holds the rest.
    static constexpr qsizetype kChunkSize = 100000;
    // A device announces the size of what it sends: nothing larger is taken in.
    static constexpr quint32 kMaxIncomingFileSize = 64 * 1024 * 1024;
    // All incoming files together, so that many announced files cannot add up.
    static constexpr qint64 kMaxIncomingBytes = 256 * 1024 * 1024;
    // Files being received at once; a request names its files one by one.
    static constexpr int kMaxIncomingFiles = 1024;
    // One device's share of the two bounds above: a quarter, so that one device filling
    // its own cannot make every other device's transfers fail.
    static constexpr int kMaxIncomingFilesPerDevice = kMaxIncomingFiles / 4;
    static constexpr qint64 kMaxIncomingBytesPerDevice = kMaxIncomingBytes / 4;
    // A requested transfer whose device sends nothing for this long is dropped with its
    // partial data, so that it holds no memory and does not block the device's next one.
    static constexpr std::chrono::milliseconds kDefaultIncomingStallTimeout{30000};
    // How long a request of the server waits for its first file; a device that answers
    // later pushes files nobody asked for.
    static constexpr std::chrono::milliseconds kDefaultRequestTimeout{30000};
    // What may wait in the outgoing queue for one device: repeated requests must not
    // pile up copies of the same files.
    static constexpr qint64 kMaxQueuedBytesPerDevice = 128 * 1024 * 1024;
    // A destination that stops acknowledging for this long no longer holds up the others.
    static constexpr std::chrono::milliseconds kDefaultStallTimeout{30000};

    explicit FileTransferManager(QObject* parent = nullptr);
    ~FileTransferManager() override;

    // The bounds on what is received and queued; the defaults are the constants above.
    struct Limits {
        int incomingFiles = kMaxIncomingFiles;
        qint64 incomingBytes = kMaxIncomingBytes;
        int incomingFilesPerDevice = kMaxIncomingFilesPerDevice;
        qint64 incomingBytesPerDevice = kMaxIncomingBytesPerDevice;
        qint64 queuedBytesPerDevice = kMaxQueuedBytesPerDevice;
    };
    void setLimits(const Limits& limits) { m_limits = limits; }

    // The server asked `device` for files of `type` (logs or settings): only such a
    // request, still open, lets files in. It closes with its last file, a drop, a
    // disconnection, or when no file starts within the request time-out.
    void ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    bool IsExpecting(const NetworkDeviceId_t& device, FileTransferRequestType_e type) const;

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
    void SendNextChunk();
    bool IsCurrentTransferDone() const;
    void FinishCurrentTransfer();
    bool HasOutgoing() const;

    void StartReceiving(const QString& name, quint32 size, quint16 crc, const NetworkDeviceId_t& source,
                        const FileTransferMetaData_t& metaData);
    // Appends to the newest file from that source; false (and the file dropped) when
    // there is none or the data would exceed the announced size or the bounds.
    bool AppendChunk(const NetworkDeviceId_t& source, const QByteArray& data);
    bool HasIncoming() const;
    bool HasIncomingFrom(const NetworkDeviceId_t& source) const;
    // The CRC check of the newest file from that source.
    bool IsFrontValid(const NetworkDeviceId_t& source) const;
    // Stores every file received from `source` in `folder` (created, one level) and
    // removes them; a file whose CRC is wrong, or whose name is unsafe, is not written.
    void WriteReceivedFiles(const QString& folder, const NetworkDeviceId_t& source, FileTransferRequestType_e type);
    // Drops every file received from `source` after checking it; the server has no use
    // for files of other request types.
    void DropReceivedFiles(const NetworkDeviceId_t& source);
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
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

Q_SIGNALS:
    void fileTransferStatusUpdated(NetworkDeviceId_t destinationDevice, FileTransferMetaData_t transferMetaData,
                                   QByteArray data);
    // Emitted when the reception of a file starts.
    // The reception of a request's files from `source`: its first file, its end, or its loss.
    void fileTransferStarted(NetworkDeviceId_t source, FileTransferRequestType_e transferType);
    void fileTransferEnded(NetworkDeviceId_t source, FileTransferRequestType_e transferType);
    void fileTransferAborted(NetworkDeviceId_t source);
    // A requested file was refused or dropped on its way in; `reason` is for the user.
    void incomingTransferDropped(NetworkDeviceId_t source, QString reason);

private:
    using Clock = std::chrono::steady_clock;
    struct Request {
        NetworkDeviceId_t device;
        FileTransferRequestType_e type{};
        Clock::time_point openedAt;
        bool started = false;
    };
    struct Outgoing {
        FileTransferMetaData_t metaData;
        QQueue<QByteArray> chunks;
        NetworkDeviceId_t destination;
        bool announced = false;
    };
    struct Incoming {
        FileTransferMetaData_t metaData;
        QString name;
        QByteArray data;
        quint16 expectedCrc = 0;
        NetworkDeviceId_t source;
        Clock::time_point lastActivity;
    };

    void emitStatus(const NetworkDeviceId_t& destination, const FileTransferMetaData_t& metaData,
                    const QByteArray& data = {});
    void acknowledge(const NetworkDeviceId_t& source, FileTransferMetaData_t metaData);
    void onStalled();
    qint64 queuedBytesFor(const NetworkDeviceId_t& destination) const;
    qint64 incomingBytes() const;
    qint64 incomingBytesFrom(const NetworkDeviceId_t& source) const;
    int incomingFilesFrom(const NetworkDeviceId_t& source) const;
    std::optional<Outgoing> readFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                     FileTransferRequestType_e requestType, const QByteArray& transferData,
                                     qint64 plannedBytes) const;
    std::vector<Request>::iterator openRequest(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void closeRequests(const NetworkDeviceId_t& device);
    // Drops everything on its way in from `source`, telling the user why.
    void dropIncomingFrom(const NetworkDeviceId_t& source, const QString& reason);
    void onIncomingStalled();
    void armIncomingStallTimer();
    // Logs one refused transfer once, not once per chunk.
    void refuse(const NetworkDeviceId_t& source, const QString& line);
    // Newest entry from that source, or end().
    std::deque<Incoming>::iterator newestFrom(const NetworkDeviceId_t& source);
    std::deque<Incoming>::const_iterator newestFrom(const NetworkDeviceId_t& source) const;
    void dropIncoming(std::deque<Incoming>::iterator entry);
    void onStart(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData);
    void onData(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData, const QByteArray& data);
    void onEnd(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
               const std::function<QString()>& deviceFolder);
    void onAcknowledgement(const NetworkDeviceId_t& source);

    std::deque<Outgoing> m_outgoing;
    std::deque<Incoming> m_incoming; // newest first
    QTimer m_stallTimer;
    QTimer m_incomingStallTimer;
    std::chrono::milliseconds m_incomingStallTimeout = kDefaultIncomingStallTimeout;
    std::chrono::milliseconds m_requestTimeout = kDefaultRequestTimeout;
    std::vector<Request> m_requests;
    // Devices whose current transfer was refused: its further chunks are dropped unlogged.
    QSet<NetworkDeviceId_t> m_refused;
    Limits m_limits;
    LogFloodGuard m_progressLog;
};

} // namespace tessivar::transfer

Q_DECLARE_METATYPE(FileTransferMetaData_t)
