#include "transfer/FileTransferManager.h"

#include "core/ApplicationConstants.h"
#include "transfer/ReceivedFileNames.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

namespace tessivar::transfer {

namespace {

constexpr quint16 kStatusStart = 0;
constexpr quint16 kStatusData = 1;
constexpr quint16 kStatusEnd = 2;
constexpr quint16 kStatusAcknowledgement = 4;

QString pathOf(const QUrl& url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    if (url.isLocalFile())
        return url.toLocalFile();
    return url.toString();
}

} // namespace

FileTransferManager::FileTransferManager(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<FileTransferMetaData_t>("FileTransferMetaData_t");
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(kDefaultStallTimeout);
    connect(&m_stallTimer, &QTimer::timeout, this, &FileTransferManager::onStalled);
    m_incomingStallTimer.setSingleShot(true);
    connect(&m_incomingStallTimer, &QTimer::timeout, this, &FileTransferManager::onIncomingStalled);
}

FileTransferManager::~FileTransferManager() = default;

void FileTransferManager::setStallTimeout(std::chrono::milliseconds timeout)
{
    m_stallTimer.setInterval(timeout);
}

void FileTransferManager::setIncomingStallTimeout(std::chrono::milliseconds timeout)
{
    m_incomingStallTimeout = timeout;
}

qint64 FileTransferManager::queuedBytesFor(const NetworkDeviceId_t& destination) const
{
    qint64 bytes = 0;
    for (const Outgoing& entry : m_outgoing) {
        if (entry.destination == destination)
            bytes += entry.metaData.size;
    }
    return bytes;
}

std::optional<FileTransferManager::Outgoing> FileTransferManager::readFile(const QUrl& url, const QString& name,
                                                                           const NetworkDeviceId_t& destination,
                                                                           FileTransferRequestType_e requestType,
                                                                           const QByteArray& transferData,
                                                                           qint64 plannedBytes) const
{
    const QString path = pathOf(url);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("File %1 doesn't exist or is not readable.").arg(path);
        return std::nullopt;
    }
    if (file.size() > std::numeric_limits<quint32>::max()
        || queuedBytesFor(destination) + plannedBytes + file.size() > m_limits.queuedBytesPerDevice) {
        qWarning().noquote() << QStringLiteral("File %1 not queued: too much queued for %2.").arg(path, destination);
        return std::nullopt;
    }
    const QByteArray content = file.readAll();

    Outgoing entry;
    for (qsizetype offset = 0; offset < content.size(); offset += kChunkSize)
        entry.chunks.enqueue(content.mid(offset, kChunkSize));
    entry.metaData.status = kStatusStart;
    entry.metaData.requestType = requestType;
    entry.metaData.name = name;
    entry.metaData.size = quint32(content.size());
    entry.metaData.transferredBytes = 0;
    entry.metaData.crc = checksum(content);
    entry.metaData.transferData = transferData;
    entry.destination = destination;
    return entry;
}

bool FileTransferManager::QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                    FileTransferRequestType_e requestType, qint32 index, qint32 count,
                                    const QByteArray& transferData)
{
    qInfo().noquote()
        << QStringLiteral("Sending file %1 (%2/%3) to %4.").arg(url.toString()).arg(index).arg(count).arg(destination);
    std::optional<Outgoing> entry = readFile(url, name, destination, requestType, transferData, 0);
    if (!entry)
        return false;
    entry->metaData.index = index;
    entry->metaData.count = count;
    m_outgoing.push_back(std::move(*entry));
    return true;
}

bool FileTransferManager::QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
                                     FileTransferRequestType_e requestType, const QList<QByteArray>& transferDataList)
{
    // Read first, numbered after: a file that cannot go must not leave the device
    // waiting for an index it never gets.
    std::vector<Outgoing> entries;
    qint64 planned = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QByteArray transferData = i < transferDataList.size() ? transferDataList.at(i) : QByteArray();
        std::optional<Outgoing> entry
            = readFile(files.at(i).first, files.at(i).second, destination, requestType, transferData, planned);
        if (!entry)
            continue;
        planned += entry->metaData.size;
        entries.push_back(std::move(*entry));
    }
    const qint32 count = qint32(entries.size());
    for (qint32 i = 0; i < count; ++i) {
        Outgoing& entry = entries[size_t(i)];
        entry.metaData.index = i + 1;
        entry.metaData.count = count;
        qInfo().noquote() << QStringLiteral("Sending file %1 (%2/%3) to %4.")
                                 .arg(entry.metaData.name)
                                 .arg(i + 1)
                                 .arg(count)
                                 .arg(destination);
        m_outgoing.push_back(std::move(entry));
    }
    return count > 0;
}

bool FileTransferManager::HasOutgoing() const
{
    return !m_outgoing.empty();
}

void FileTransferManager::emitStatus(const NetworkDeviceId_t& destination, const FileTransferMetaData_t& metaData,
                                     const QByteArray& data)
{
    Q_EMIT fileTransferStatusUpdated(destination, metaData, data);
}

void FileTransferManager::StartNextTransfer()
{
    if (m_outgoing.empty() || m_outgoing.front().announced)
        return;
    Outgoing& front = m_outgoing.front();
    qInfo() << "Starting transfer of" << front.metaData.name;
    front.announced = true;
    front.metaData.status = kStatusStart;
    m_stallTimer.start();
    emitStatus(front.destination, front.metaData);
}

void FileTransferManager::SendNextChunk()
{
    if (m_outgoing.empty() || !m_outgoing.front().announced || m_outgoing.front().chunks.isEmpty())
        return;
    Outgoing& front = m_outgoing.front();
    const QByteArray chunk = front.chunks.dequeue();
    front.metaData.transferredBytes += quint32(chunk.size());
    front.metaData.status = kStatusData;
    m_stallTimer.start();
    emitStatus(front.destination, front.metaData, chunk);
}

bool FileTransferManager::IsCurrentTransferDone() const
{
    return !m_outgoing.empty() && m_outgoing.front().announced && m_outgoing.front().chunks.isEmpty();
}

void FileTransferManager::FinishCurrentTransfer()
{
    if (m_outgoing.empty())
        return;
    Outgoing front = std::move(m_outgoing.front());
    m_outgoing.pop_front();
    qInfo() << "Transfer of" << front.metaData.name << "finished";
    front.metaData.status = kStatusEnd;
    m_stallTimer.stop();
    emitStatus(front.destination, front.metaData);
    StartNextTransfer();
}

void FileTransferManager::onStalled()
{
    if (m_outgoing.empty())
        return;
    const NetworkDeviceId_t destination = m_outgoing.front().destination;
    qWarning() << "Transfer of" << m_outgoing.front().metaData.name << "to" << destination
               << "stalled: no acknowledgement, dropping the transfers to that device";
    m_outgoing.erase(std::remove_if(m_outgoing.begin(), m_outgoing.end(),
                                    [&destination](const Outgoing& entry) { return entry.destination == destination; }),
                     m_outgoing.end());
    StartNextTransfer();
}

// ---- Receiving ----

std::deque<FileTransferManager::Incoming>::iterator FileTransferManager::newestFrom(const NetworkDeviceId_t& source)
{
    return std::find_if(m_incoming.begin(), m_incoming.end(),
                        [&source](const Incoming& entry) { return entry.source == source; });
}

std::deque<FileTransferManager::Incoming>::const_iterator
FileTransferManager::newestFrom(const NetworkDeviceId_t& source) const
{
    return std::find_if(m_incoming.cbegin(), m_incoming.cend(),
                        [&source](const Incoming& entry) { return entry.source == source; });
}

qint64 FileTransferManager::incomingBytes() const
{
    qint64 bytes = 0;
    for (const Incoming& entry : m_incoming)
        bytes += entry.data.size();
    return bytes;
}

qint64 FileTransferManager::incomingBytesFrom(const NetworkDeviceId_t& source) const
{
    qint64 bytes = 0;
    for (const Incoming& entry : m_incoming) {
        if (entry.source == source)
            bytes += entry.data.size();
    }
    return bytes;
}

int FileTransferManager::incomingFilesFrom(const NetworkDeviceId_t& source) const
{
    return int(std::count_if(m_incoming.cbegin(), m_incoming.cend(),
                             [&source](const Incoming& entry) { return entry.source == source; }));
}

// ---- Requests ----

std::vector<FileTransferManager::Request>::iterator FileTransferManager::openRequest(const NetworkDeviceId_t& device,
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

void FileTransferManager::ExpectFiles(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    const auto found = openRequest(device, type);
    if (found != m_requests.end()) {
        found->openedAt = Clock::now();
        return;
    }
    m_requests.push_back(Request{device, type, Clock::now(), false});
}

bool FileTransferManager::IsExpecting(const NetworkDeviceId_t& device, FileTransferRequestType_e type) const
{
    const Clock::time_point now = Clock::now();
    return std::any_of(m_requests.cbegin(), m_requests.cend(), [&](const Request& request) {
        return request.device == device && request.type == type
            && (request.started || now - request.openedAt < m_requestTimeout);
    });
}

void FileTransferManager::closeRequests(const NetworkDeviceId_t& device)
{
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(),
                                    [&device](const Request& request) { return request.device == device; }),
                     m_requests.end());
}

void FileTransferManager::refuse(const NetworkDeviceId_t& source, const QString& line)
{
    if (m_refused.contains(source))
        return;
    m_refused.insert(source);
    qWarning().noquote() << line;
}

void FileTransferManager::dropIncomingFrom(const NetworkDeviceId_t& source, const QString& reason)
{
    qWarning().noquote() << reason;
    m_incoming.erase(std::remove_if(m_incoming.begin(), m_incoming.end(),
                                    [&source](const Incoming& entry) { return entry.source == source; }),
                     m_incoming.end());
    closeRequests(source);
    m_refused.insert(source);
    Q_EMIT incomingTransferDropped(source, reason);
    Q_EMIT fileTransferAborted(source);
    armIncomingStallTimer();
}

void FileTransferManager::armIncomingStallTimer()
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

void FileTransferManager::onIncomingStalled()
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

void FileTransferManager::StartReceiving(const QString& name, quint32 size, quint16 crc,
                                         const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData)
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

void FileTransferManager::dropIncoming(std::deque<Incoming>::iterator entry)
{
    const NetworkDeviceId_t source = entry->source;
    m_incoming.erase(entry);
    if (!HasIncomingFrom(source))
        Q_EMIT fileTransferAborted(source);
}

bool FileTransferManager::AppendChunk(const NetworkDeviceId_t& source, const QByteArray& data)
{
    const auto entry = newestFrom(source);
    if (entry == m_incoming.end())
        return false;
    const qint64 received = entry->data.size() + data.size();
    if (received > qint64(entry->metaData.size)) {
        qWarning() << "File" << entry->name << "from" << source << "exceeds its announced size of"
                   << entry->metaData.size << "bytes: transfer dropped";
        dropIncoming(entry);
        return false;
    }
    if (incomingBytesFrom(source) + data.size() > m_limits.incomingBytesPerDevice
        || incomingBytes() + data.size() > m_limits.incomingBytes) {
        dropIncomingFrom(
            source, tr("Too much data being received: the files of %1 were refused (%2).").arg(source, entry->name));
        return false;
    }
    entry->data.append(data);
    entry->lastActivity = Clock::now();
    return true;
}

bool FileTransferManager::HasIncoming() const
{
    return !m_incoming.empty();
}

bool FileTransferManager::HasIncomingFrom(const NetworkDeviceId_t& source) const
{
    return newestFrom(source) != m_incoming.cend();
}

bool FileTransferManager::IsFrontValid(const NetworkDeviceId_t& source) const
{
    const auto entry = newestFrom(source);
    if (entry == m_incoming.cend())
        return false;
    const quint16 calculated = checksum(entry->data);
    if (calculated == entry->expectedCrc)
        return true;
    qWarning() << "Invalid file CRC" << entry->name << "Expected:" << entry->expectedCrc << "Calculated:" << calculated;
    return false;
}

void FileTransferManager::WriteReceivedFiles(const QString& folder, const NetworkDeviceId_t& source,
                                             FileTransferRequestType_e type)
{
    if (!HasIncomingFrom(source)) {
        Q_EMIT fileTransferEnded(source, type);
        return;
    }
    if (folder.isEmpty()) {
        qWarning() << "No folder for the files received from" << source;
        DropReceivedFiles(source);
        Q_EMIT fileTransferEnded(source, type);
        return;
    }
    for (auto entry = newestFrom(source); entry != m_incoming.end(); entry = newestFrom(source)) {
        const Incoming file = std::move(*entry);
        m_incoming.erase(entry);
        QDir().mkpath(folder);
        const quint16 calculated = checksum(file.data);
        if (calculated != file.expectedCrc) {
            qWarning().noquote() << QStringLiteral("Checksum incorrect. Expected: %1, calculated: %2")
                                        .arg(file.expectedCrc)
                                        .arg(calculated);
            continue;
        }
        const QString plainName = plainFileName(file.name);
        if (plainName.isEmpty()) {
            qWarning() << "Received file name not usable:" << file.name;
            continue;
        }
        const QString path = QDir(folder).filePath(plainName);
        qInfo().noquote() << QStringLiteral("Writing file %1. Checksum: %2.").arg(path).arg(calculated);
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.data) != file.data.size() || !out.commit())
            qWarning() << "Could not write file" << path << out.errorString();
    }
    Q_EMIT fileTransferEnded(source, type);
}

void FileTransferManager::DropReceivedFiles(const NetworkDeviceId_t& source)
{
    while (HasIncomingFrom(source)) {
        if (!IsFrontValid(source))
            qInfo() << "Invalid file received";
        // A valid file would go to the application's received-file hook; the server has none.
        m_incoming.erase(newestFrom(source));
    }
}

void FileTransferManager::CancelTransfers(const NetworkDeviceId_t& deviceId)
{
    qInfo() << "Cancelling transfers to/from" << deviceId;
    closeRequests(deviceId);
    m_refused.remove(deviceId);
    const bool frontWasTheirs = !m_outgoing.empty() && m_outgoing.front().destination == deviceId;
    m_outgoing.erase(std::remove_if(m_outgoing.begin(), m_outgoing.end(),
                                    [&deviceId](const Outgoing& entry) { return entry.destination == deviceId; }),
                     m_outgoing.end());
    m_incoming.erase(std::remove_if(m_incoming.begin(), m_incoming.end(),
                                    [&deviceId](const Incoming& entry) { return entry.source == deviceId; }),
                     m_incoming.end());
    armIncomingStallTimer();
    if (frontWasTheirs) {
        m_stallTimer.stop();
        // The transfers queued for other devices go on at once.
        StartNextTransfer();
    }
    // Whatever was asked of the device, or was arriving from it, is over.
    Q_EMIT fileTransferAborted(deviceId);
}

// ---- The exchange ----

void FileTransferManager::acknowledge(const NetworkDeviceId_t& source, FileTransferMetaData_t metaData)
{
    metaData.status = kStatusAcknowledgement;
    emitStatus(source, metaData);
}

void FileTransferManager::HandleMessage(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                        const QByteArray& data, const std::function<QString()>& deviceFolder)
{
    switch (metaData.status) {
    case kStatusStart:
        onStart(source, metaData);
        break;
    case kStatusData:
        onData(source, metaData, data);
        break;
    case kStatusEnd:
        onEnd(source, metaData, deviceFolder);
        break;
    case kStatusAcknowledgement:
        onAcknowledgement(source);
        break;
    default:
        break;
    }
}

void FileTransferManager::onStart(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData)
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
    qInfo() << "Starting transfer of" << metaData.name;
    if (metaData.size > kMaxIncomingFileSize || int(m_incoming.size()) >= m_limits.incomingFiles
        || incomingFilesFrom(source) >= m_limits.incomingFilesPerDevice) {
        dropIncomingFrom(source,
                         tr("The file %1 from %2 was refused: %3 bytes announced, %4 files being received.")
                             .arg(metaData.name, source)
                             .arg(metaData.size)
                             .arg(m_incoming.size()));
        return;
    }
    request->started = true;
    m_refused.remove(source);
    StartReceiving(metaData.name, metaData.size, metaData.crc, source, metaData);
    acknowledge(source, metaData);
}

void FileTransferManager::onData(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                 const QByteArray& data)
{
    if (!HasIncomingFrom(source)) {
        refuse(
            source,
            QStringLiteral("File data without a transfer in progress from %1 dropped: %2").arg(source, metaData.name));
        return;
    }
    if (!AppendChunk(source, data))
        return;
    const int percent = metaData.size == 0 ? 100 : int(quint64(metaData.transferredBytes) * 100 / metaData.size);
    if (m_progressLog.Allow(QStringLiteral("file transfer progress"), source))
        qInfo().noquote() << QStringLiteral("File %1 (%2/%3) transfer: %4%")
                                 .arg(metaData.name)
                                 .arg(metaData.index)
                                 .arg(metaData.count)
                                 .arg(percent);
    acknowledge(source, metaData);
}

void FileTransferManager::onEnd(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                const std::function<QString()>& deviceFolder)
{
    if (!HasIncomingFrom(source)) {
        refuse(
            source,
            QStringLiteral("File end without a transfer in progress from %1 dropped: %2").arg(source, metaData.name));
        return;
    }
    newestFrom(source)->lastActivity = Clock::now();
    qInfo() << "File" << metaData.name << "received";
    if (metaData.index != metaData.count) {
        qInfo() << "Waiting for next file.";
        acknowledge(source, metaData);
        return;
    }
    qInfo() << "All files received.";
    const auto type = metaData.requestType;
    const auto request = openRequest(source, type);
    if (request != m_requests.end())
        m_requests.erase(request);
    if (type == FileTransferRequestType_e::LogFiles || type == FileTransferRequestType_e::SettingsFile)
        WriteReceivedFiles(deviceFolder ? deviceFolder() : QString(), source, type);
    else
        DropReceivedFiles(source);
}

void FileTransferManager::onAcknowledgement(const NetworkDeviceId_t& source)
{
    // Only the destination of the current transfer moves it on.
    if (m_outgoing.empty() || m_outgoing.front().destination != source || !m_outgoing.front().announced)
        return;
    if (IsCurrentTransferDone()) {
        qInfo() << "Transfer over, sending next file";
        FinishCurrentTransfer();
    } else {
        SendNextChunk();
    }
}

} // namespace tessivar::transfer
