#pragma once

#include <QByteArray>
#include <QString>

// What a transfer carries. Any 16-bit value can arrive from a peer.
enum class FileTransferRequestType_e : quint16 {
    LogFiles = 1,
    SettingsFile = 2,
    DataClassFiles = 3,
};

// The step of a file's transfer that a FileTransfer message carries (its "Status").
enum class FileTransferStatus_e : quint16 {
    Start = 0,
    Data = 1,
    End = 2,
    Acknowledgement = 4,
};

// The state of one file's transfer, carried in every FileTransfer message.
struct FileTransferMetaData_t {
    // A FileTransferStatus_e, or any other value a peer sent.
    quint16 status = 0;
    FileTransferRequestType_e requestType = FileTransferRequestType_e{};
    QString name;
    quint32 size = 0;
    quint32 transferredBytes = 0;
    quint16 crc = 0;
    qint32 count = 0;
    qint32 index = 0;
    QByteArray transferData;

    bool operator==(const FileTransferMetaData_t& other) const
    {
        return status == other.status && requestType == other.requestType && name == other.name && size == other.size
            && transferredBytes == other.transferredBytes && crc == other.crc && count == other.count
            && index == other.index && transferData == other.transferData;
    }
};
