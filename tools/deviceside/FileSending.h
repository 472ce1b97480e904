#pragma once

#include "communication/FileTransferMetaData.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <functional>

namespace tessivar::devicecli {

// The sending end of a stop-and-wait transfer: files are announced, cut into pieces of
// 100000 bytes and ended one after the other; every acknowledgement of the receiver
// releases the next step. The owner sends each step as a FileTransfer message.
class FileSending
{
public:
    static constexpr qsizetype kChunkSize = 100000;
    // A device's logs and settings stay far below it; a request for more is cut there.
    static constexpr qsizetype kMaximumQueuedBytes = 64 * 1024 * 1024;

    struct File {
        QString name;
        QByteArray content;
    };
    using Send_t = std::function<void(const FileTransferMetaData_t& metaData, const QByteArray& data)>;

    explicit FileSending(Send_t send);

    // Queues the files of one request; they start at once unless a transfer runs.
    // False when nothing was queued.
    bool queue(const QList<File>& files, FileTransferRequestType_e requestType);
    // The receiver's acknowledgement (status 4).
    void acknowledged();
    // Drops every queued file (the connection went).
    void clear();
    bool isIdle() const;

private:
    struct Entry {
        FileTransferMetaData_t metaData;
        std::deque<QByteArray> chunks;
    };
    void announceFront();

    Send_t m_send;
    std::deque<Entry> m_queue;
};

} // namespace tessivar::devicecli
