#include "transfer/IncomingTransfers.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "transfer/ReceivedFileNames.h"

#include <QDebug>
#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace tessivar::transfer {

IncomingTransfers::IncomingTransfers(QObject* parent)
    : QObject(parent)
{
    m_incomingStallTimer.setSingleShot(true);
    connect(&m_incomingStallTimer, &QTimer::timeout, this, &IncomingTransfers::onIncomingStalled);
}

std::deque<IncomingTransfers::Incoming>::iterator IncomingTransfers::newestFrom(const NetworkDeviceId_t& source)
{
    return std::find_if(m_incoming.begin(), m_incoming.end(),
                        [&source](const Incoming& entry) { return entry.source == source; });
}

std::deque<IncomingTransfers::Incoming>::const_iterator
IncomingTransfers::newestFrom(const NetworkDeviceId_t& source) const
{
    return std::find_if(m_incoming.cbegin(), m_incoming.cend(),
                        [&source](const Incoming& entry) { return entry.source == source; });
}

qint64 IncomingTransfers::incomingBytes() const
{
    qint64 bytes = 0;
    for (const Incoming& entry : m_incoming)
        bytes += entry.data.size();
    return bytes;
}

qint64 IncomingTransfers::incomingBytesFrom(const NetworkDeviceId_t& source) const
{
    qint64 bytes = 0;
    for (const Incoming& entry : m_incoming) {
        if (entry.source == source)
            bytes += entry.data.size();
    }
    return bytes;
}

int IncomingTransfers::incomingFilesFrom(const NetworkDeviceId_t& source) const
{
    return int(std::count_if(m_incoming.cbegin(), m_incoming.cend(),
                             [&source](const Incoming& entry) { return entry.source == source; }));
}

std::vector<IncomingTransfers::Request>::iterator IncomingTransfers::openRequest(const NetworkDeviceId_t& device,
                                                                                 FileTransferRequestType_e type)
{
    const Clock::time_point now = Clock::now();
    // Requests that never got a first file are over.
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(),
                                    [&](const Request& request) {
                                        return !request.started && now - request.openedAt >= m_requestTimeout;
                                    }),
                     m_requests.end());
    return std::find_if(m_requests.begin(), m_requests.end(),
                        [&](const Request& request) { return request.device == device && request.type == type; });
}

void IncomingTransfers::ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    const auto found = openRequest(device, type);
    if (found != m_requests.end()) {
        found->openedAt = Clock::now();
        return;
    }
    m_requests.push_back(Request{device, type, Clock::now(), false});
}

bool IncomingTransfers::IsExpecting(const NetworkDeviceId_t& device, FileTransferRequestType_e type) const
{
    const Clock::time_point now = Clock::now();
    return std::any_of(m_requests.cbegin(), m_requests.cend(), [&](const Request& request) {
        return request.device == device && request.type == type
            && (request.started || now - request.openedAt < m_requestTimeout);
    });
}

void IncomingTransfers::closeRequests(const NetworkDeviceId_t& device)
{
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(),
                                    [&device](const Request& request) { return request.device == device; }),
                     m_requests.end());
}

void IncomingTransfers::refuse(const NetworkDeviceId_t& source, const QString& line)
{
    if (m_refused.contains(source))
        return;
    m_refused.insert(source);
    qCWarning(lcTransfer).noquote() << line;
}

void IncomingTransfers::dropIncomingFrom(const NetworkDeviceId_t& source, const QString& reason)
{
    qCWarning(lcTransfer).noquote() << reason;
    m_incoming.erase(std::remove_if(m_incoming.begin(), m_incoming.end(),
                                    [&source](const Incoming& entry) { return entry.source == source; }),
                     m_incoming.end());
    closeRequests(source);
    m_refused.insert(source);
    Q_EMIT incomingTransferDropped(source, reason);
    Q_EMIT fileTransferAborted(source);
    armIncomingStallTimer();
}

void IncomingTransfers::armIncomingStallTimer()
{
    std::optional<Clock::time_point> earliest;
    for (const Incoming& entry : m_incoming) {
        if (!earliest || entry.lastActivity < *earliest)
            earliest = entry.lastActivity;
    }
    if (!earliest) {
        m_incomingStallTimer.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*earliest + m_incomingStallTimeout - Clock::now());
    m_incomingStallTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void IncomingTransfers::onIncomingStalled()
{
    const Clock::time_point now = Clock::now();
    QSet<NetworkDeviceId_t> stalled;
    for (const Incoming& entry : m_incoming) {
        if (now - entry.lastActivity >= m_incomingStallTimeout)
            stalled.insert(entry.source);
    }
    for (const NetworkDeviceId_t& source : std::as_const(stalled))
        dropIncomingFrom(source,
                         tr("The device %1 stopped sending its files for %2 s: the transfer was dropped.")
                             .arg(source)
                             .arg(m_incomingStallTimeout.count() / 1000.0));
    armIncomingStallTimer();
}

void IncomingTransfers::startReceiving(const QString& name, quint32 size, quint16 crc, const NetworkDeviceId_t& source,
                                       const FileTransferMetaData_t& metaData)
{
    Incoming entry;
    entry.metaData = metaData;
    entry.name = name;
    entry.expectedCrc = crc;
    entry.source = source;
    entry.lastActivity = Clock::now();
    // Capacity follows the bytes that arrive, never the size a device announces.
    entry.metaData.size = size;
    m_incoming.push_front(std::move(entry));
    armIncomingStallTimer();
    Q_EMIT fileTransferStarted(source, metaData.requestType);
}

void IncomingTransfers::dropIncoming(std::deque<Incoming>::iterator entry)
{
    const NetworkDeviceId_t source = entry->source;
    m_incoming.erase(entry);
    if (!hasIncomingFrom(source))
        Q_EMIT fileTransferAborted(source);
}

bool IncomingTransfers::appendChunk(const NetworkDeviceId_t& source, const QByteArray& data)
{
    const auto entry = newestFrom(source);
    if (entry == m_incoming.end())
        return false;
    const qint64 received = entry->data.size() + data.size();
    if (received > qint64(entry->metaData.size)) {
        qCWarning(lcTransfer) << "File" << entry->name << "from" << source << "exceeds its announced size of"
                              << entry->metaData.size << "bytes: transfer dropped";
        dropIncoming(entry);
        return false;
    }
    if (incomingBytesFrom(source) + data.size() > m_limits.bytesPerDevice
        || incomingBytes() + data.size() > m_limits.bytes) {
        dropIncomingFrom(
            source, tr("Too much data being received: the files of %1 were refused (%2).").arg(source, entry->name));
        return false;
    }
    entry->data.append(data);
    entry->lastActivity = Clock::now();
    return true;
}

bool IncomingTransfers::HasIncoming() const
{
    return !m_incoming.empty();
}

bool IncomingTransfers::hasIncomingFrom(const NetworkDeviceId_t& source) const
{
    return newestFrom(source) != m_incoming.cend();
}

bool IncomingTransfers::isFrontValid(const NetworkDeviceId_t& source) const
{
    const auto entry = newestFrom(source);
    if (entry == m_incoming.cend())
        return false;
    const quint16 calculated = checksum(entry->data);
    if (calculated == entry->expectedCrc)
        return true;
    qCWarning(lcTransfer) << "Invalid file CRC" << entry->name << "Expected:" << entry->expectedCrc
                          << "Calculated:" << calculated;
    return false;
}

void IncomingTransfers::writeReceivedFiles(const QString& folder, const NetworkDeviceId_t& source,
                                           FileTransferRequestType_e type)
{
    if (!hasIncomingFrom(source)) {
        Q_EMIT fileTransferEnded(source, type);
        return;
    }
    if (folder.isEmpty()) {
        qCWarning(lcTransfer) << "No folder for the files received from" << source;
        dropReceivedFiles(source);
        Q_EMIT fileTransferEnded(source, type);
        return;
    }
    for (auto entry = newestFrom(source); entry != m_incoming.end(); entry = newestFrom(source)) {
        const Incoming file = std::move(*entry);
        m_incoming.erase(entry);
        QDir().mkpath(folder);
        const quint16 calculated = checksum(file.data);
        if (calculated != file.expectedCrc) {
            qCWarning(lcTransfer).noquote() << QStringLiteral("Checksum incorrect. Expected: %1, calculated: %2")
                                                   .arg(file.expectedCrc)
                                                   .arg(calculated);
            continue;
        }
        const QString plainName = plainFileName(file.name);
        if (plainName.isEmpty()) {
            qCWarning(lcTransfer) << "Received file name not usable:" << file.name;
            continue;
        }
        const QString path = QDir(folder).filePath(plainName);
        qCInfo(lcTransfer).noquote() << QStringLiteral("Writing file %1. Checksum: %2.").arg(path).arg(calculated);
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.data) != file.data.size() || !out.commit())
            qCWarning(lcTransfer) << "Could not write file" << path << out.errorString();
    }
    Q_EMIT fileTransferEnded(source, type);
}

void IncomingTransfers::dropReceivedFiles(const NetworkDeviceId_t& source)
{
    while (hasIncomingFrom(source)) {
        if (!isFrontValid(source))
            qCInfo(lcTransfer) << "Invalid file received";
        // A valid file would go to the application's received-file hook; the server has none.
        m_incoming.erase(newestFrom(source));
    }
}

void IncomingTransfers::acknowledge(const NetworkDeviceId_t& source, FileTransferMetaData_t metaData)
{
    metaData.status = quint16(FileTransferStatus_e::Acknowledgement);
    Q_EMIT statusUpdated(source, metaData, {});
}

void IncomingTransfers::HandleStart(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData)
{
    const auto request = openRequest(source, metaData.requestType);
    if (request == m_requests.end()) {
        refuse(source,
               QStringLiteral("File %1 of type %2 from %3 refused: no request of the server is open for it.")
                   .arg(metaData.name)
                   .arg(quint16(metaData.requestType))
                   .arg(source));
        return;
    }
    qCInfo(lcTransfer) << "Starting transfer of" << metaData.name;
    if (metaData.size > kMaxIncomingFileSize || int(m_incoming.size()) >= m_limits.files
        || incomingFilesFrom(source) >= m_limits.filesPerDevice) {
        dropIncomingFrom(source,
                         tr("The file %1 from %2 was refused: %3 bytes announced, %4 files being received.")
                             .arg(metaData.name, source)
                             .arg(metaData.size)
                             .arg(m_incoming.size()));
        return;
    }
    request->started = true;
    m_refused.remove(source);
    startReceiving(metaData.name, metaData.size, metaData.crc, source, metaData);
    acknowledge(source, metaData);
}

void IncomingTransfers::HandleData(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                   const QByteArray& data)
{
    if (!hasIncomingFrom(source)) {
        refuse(
            source,
            QStringLiteral("File data without a transfer in progress from %1 dropped: %2").arg(source, metaData.name));
        return;
    }
    if (!appendChunk(source, data))
        return;
    const int percent = metaData.size == 0 ? 100 : int(quint64(metaData.transferredBytes) * 100 / metaData.size);
    if (m_progressLog.Allow(QStringLiteral("file transfer progress"), source))
        qCInfo(lcTransfer).noquote() << QStringLiteral("File %1 (%2/%3) transfer: %4%")
                                            .arg(metaData.name)
                                            .arg(metaData.index)
                                            .arg(metaData.count)
                                            .arg(percent);
    acknowledge(source, metaData);
}

void IncomingTransfers::HandleEnd(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                  const std::function<QString()>& deviceFolder)
{
    if (!hasIncomingFrom(source)) {
        refuse(
            source,
            QStringLiteral("File end without a transfer in progress from %1 dropped: %2").arg(source, metaData.name));
        return;
    }
    newestFrom(source)->lastActivity = Clock::now();
    qCInfo(lcTransfer) << "File" << metaData.name << "received";
    if (metaData.index != metaData.count) {
        qCInfo(lcTransfer) << "Waiting for next file.";
        acknowledge(source, metaData);
        return;
    }
    qCInfo(lcTransfer) << "All files received.";
    const auto type = metaData.requestType;
    const auto request = openRequest(source, type);
    if (request != m_requests.end())
        m_requests.erase(request);
    if (type == FileTransferRequestType_e::LogFiles || type == FileTransferRequestType_e::SettingsFile)
        writeReceivedFiles(deviceFolder ? deviceFolder() : QString(), source, type);
    else
        dropReceivedFiles(source);
}

void IncomingTransfers::Cancel(const NetworkDeviceId_t& deviceId)
{
    closeRequests(deviceId);
    m_refused.remove(deviceId);
    m_incoming.erase(std::remove_if(m_incoming.begin(), m_incoming.end(),
                                    [&deviceId](const Incoming& entry) { return entry.source == deviceId; }),
                     m_incoming.end());
    armIncomingStallTimer();
}

} // namespace tessivar::transfer
