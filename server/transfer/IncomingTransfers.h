#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"
#include "core/Logging.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

namespace tessivar::transfer {

// The files devices send on a request of the server: collected, acknowledged step by
// step, checked and stored once the request's last file has arrived. Nothing comes in
// unasked, nothing beyond the bounds, and nothing stays after its device falls silent.
class IncomingTransfers : public QObject
{
    Q_OBJECT

public:
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

    // The bounds on what is received; the defaults are the constants above.
    struct Limits {
        int files = kMaxIncomingFiles;
        qint64 bytes = kMaxIncomingBytes;
        int filesPerDevice = kMaxIncomingFilesPerDevice;
        qint64 bytesPerDevice = kMaxIncomingBytesPerDevice;
    };

    explicit IncomingTransfers(QObject* parent = nullptr);

    void setLimits(const Limits& limits) { m_limits = limits; }
    void setIncomingStallTimeout(std::chrono::milliseconds timeout) { m_incomingStallTimeout = timeout; }
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    // The server asked `device` for files of `type` (logs or settings): only such a
    // request, still open, lets files in. It closes with its last file, a drop, a
    // disconnection, or when no file starts within the request time-out.
    void ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    bool IsExpecting(const NetworkDeviceId_t& device, FileTransferRequestType_e type) const;

    // The steps of one file from `source`. `deviceFolder` names the folder of the
    // device's logs and settings once all files of such a request have arrived.
    void HandleStart(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData);
    void HandleData(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData, const QByteArray& data);
    void HandleEnd(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                   const std::function<QString()>& deviceFolder);

    bool HasIncoming() const;
    // Drops every file from that device and closes its requests.
    void Cancel(const NetworkDeviceId_t& deviceId);

Q_SIGNALS:
    // An acknowledgement for `destination`.
    void statusUpdated(NetworkDeviceId_t destination, FileTransferMetaData_t metaData, QByteArray data);
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
    struct Incoming {
        FileTransferMetaData_t metaData;
        QString name;
        QByteArray data;
        quint16 expectedCrc = 0;
        NetworkDeviceId_t source;
        Clock::time_point lastActivity;
    };

    void acknowledge(const NetworkDeviceId_t& source, FileTransferMetaData_t metaData);
    qint64 incomingBytes() const;
    qint64 incomingBytesFrom(const NetworkDeviceId_t& source) const;
    int incomingFilesFrom(const NetworkDeviceId_t& source) const;
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

    void startReceiving(const QString& name, quint32 size, quint16 crc, const NetworkDeviceId_t& source,
                        const FileTransferMetaData_t& metaData);
    // Appends to the newest file from that source; false (and the file dropped) when
    // there is none or the data would exceed the announced size or the bounds.
    bool appendChunk(const NetworkDeviceId_t& source, const QByteArray& data);
    bool hasIncomingFrom(const NetworkDeviceId_t& source) const;
    // The CRC check of the newest file from that source.
    bool isFrontValid(const NetworkDeviceId_t& source) const;
    // Stores every file received from `source` in `folder` (created, one level) and
    // removes them; a file whose CRC is wrong, or whose name is unsafe, is not written.
    void writeReceivedFiles(const QString& folder, const NetworkDeviceId_t& source, FileTransferRequestType_e type);
    // Drops every file received from `source` after checking it; the server has no use
    // for files of other request types.
    void dropReceivedFiles(const NetworkDeviceId_t& source);

    std::deque<Incoming> m_incoming; // newest first
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
