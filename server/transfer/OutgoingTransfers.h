#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QQueue>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <optional>

namespace tessivar::transfer {

// The files the server sends, one after the other: each step is answered by the
// destination's acknowledgement before the next goes out (stop-and-wait), and a
// destination that stops answering no longer holds up the others.
class OutgoingTransfers : public QObject
{
    Q_OBJECT

public:
    // The size of one data message's chunk; the last chunk of a file holds the rest.
    static constexpr qsizetype kChunkSize = 100000;
    // What may wait in the queue for one device: repeated requests must not pile up
    // copies of the same files.
    static constexpr qint64 kMaxQueuedBytesPerDevice = 128 * 1024 * 1024;
    // A destination that stops acknowledging for this long no longer holds up the others.
    static constexpr std::chrono::milliseconds kDefaultStallTimeout{30000};

    explicit OutgoingTransfers(QObject* parent = nullptr);

    void setStallTimeout(std::chrono::milliseconds timeout);
    void setQueuedBytesPerDevice(qint64 bytes) { m_queuedBytesPerDevice = bytes; }

    // Reads the file (a "qrc:/" URL reads the resource) and queues it; false when the
    // file cannot be read or the destination has too much queued already.
    bool QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                   FileTransferRequestType_e requestType, qint32 index, qint32 count, const QByteArray& transferData);
    // One request's files, numbered from 1 over those that could be queued, so that the
    // count announced is the number sent; true if at least one was queued.
    bool QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
                    FileTransferRequestType_e requestType, const QList<QByteArray>& transferDataList);
    // Announces the front file, unless it is announced already: files queued while a
    // transfer runs never restart it.
    void StartNextTransfer();
    // An acknowledgement from `source`: the current transfer's next step, if it is theirs.
    void Acknowledged(const NetworkDeviceId_t& source);
    bool HasOutgoing() const;
    // Drops every file queued for that device; the next transfer to another device
    // starts at once.
    void Cancel(const NetworkDeviceId_t& deviceId);

Q_SIGNALS:
    // One message of a transfer for `destination`.
    void statusUpdated(NetworkDeviceId_t destination, FileTransferMetaData_t metaData, QByteArray data);

private:
    struct Outgoing {
        FileTransferMetaData_t metaData;
        QQueue<QByteArray> chunks;
        NetworkDeviceId_t destination;
        bool announced = false;
    };

    void sendNextChunk();
    bool isCurrentTransferDone() const;
    void finishCurrentTransfer();
    void onStalled();
    qint64 queuedBytesFor(const NetworkDeviceId_t& destination) const;
    std::optional<Outgoing> readFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                     FileTransferRequestType_e requestType, const QByteArray& transferData,
                                     qint64 plannedBytes) const;

    std::deque<Outgoing> m_outgoing;
    QTimer m_stallTimer;
    qint64 m_queuedBytesPerDevice = kMaxQueuedBytesPerDevice;
};

} // namespace tessivar::transfer
