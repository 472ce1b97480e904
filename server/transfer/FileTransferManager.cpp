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
}

FileTransferManager::~FileTransferManager() = default;

void FileTransferManager::setStallTimeout(std::chrono::milliseconds timeout)
{
    m_stallTimer.setInterval(timeout);
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

bool FileTransferManager::QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                    FileTransferRequestType_e requestType, qint32 index, qint32 count,
                                    const QByteArray& transferData)
{
    qInfo().noquote() << QStringLiteral("Sending file %1 (%2/%3) to %4.")
                             .arg(url.toString())
                             .arg(index)
                             .arg(count)
                             .arg(destination);
    const QString path = pathOf(url);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("File %1 doesn't exist or is not readable.").arg(path);
        return false;
    }
    if (file.size() > std::numeric_limits<quint32>::max()
        || queuedBytesFor(destination) + file.size() > kMaxQueuedBytesPerDevice) {
        qWarning().noquote() << QStringLiteral("File %1 not queued: too much queued for %2.").arg(path, destination);
        return false;
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
    entry.metaData.count = count;
    entry.metaData.index = index;
    entry.metaData.transferData = transferData;
    entry.destination = destination;
    m_outgoing.push_back(std::move(entry));
    return true;
}

bool FileTransferManager::QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
                                     FileTransferRequestType_e requestType, const QList<QByteArray>& transferDataList)
{
    bool queued = false;
    const qint32 count = qint32(files.size());
    for (qint32 i = 0; i < count; ++i) {
        const QByteArray transferData = i < transferDataList.size() ? transferDataList.at(i) : QByteArray();
        queued |= QueueFile(files.at(i).first, files.at(i).second, destination, requestType, i + 1, count,
                            transferData);
    }
    return queued;
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

void FileTransferManager::StartReceiving(const QString& name, quint32 size, quint16 crc,
                                         const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData)
{
    Incoming entry;
    entry.metaData = metaData;
    entry.name = name;
    entry.expectedCrc = crc;
    entry.source = source;
    // Capacity follows the bytes that arrive, never the size a device announces.
    entry.metaData.size = size;
    m_incoming.push_front(std::move(entry));
    Q_EMIT fileTransferStarted(metaData.requestType);
}

void FileTransferManager::dropIncoming(std::deque<Incoming>::iterator entry)
{
    m_incoming.erase(entry);
    if (m_incoming.empty())
        Q_EMIT fileTransferAborted();
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
    if (incomingBytes() + data.size() > kMaxIncomingBytes) {
        qWarning() << "Too much data being received: transfer of" << entry->name << "from" << source << "dropped";
        dropIncoming(entry);
        return false;
    }
    entry->data.append(data);
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
    qWarning() << "Invalid file CRC" << entry->name << "Expected:" << entry->expectedCrc
               << "Calculated:" << calculated;
    return false;
}

void FileTransferManager::WriteReceivedFiles(const QString& folder, const NetworkDeviceId_t& source)
{
    if (!HasIncomingFrom(source)) {
        Q_EMIT fileTransferEnded();
        return;
    }
    if (folder.isEmpty()) {
        qWarning() << "No folder for the files received from" << source;
        DropReceivedFiles(source);
        Q_EMIT fileTransferEnded();
        return;
    }
    for (auto entry = newestFrom(source); entry != m_incoming.end(); entry = newestFrom(source)) {
        const Incoming file = std::move(*entry);
        m_incoming.erase(entry);
        QDir().mkpath(folder);
        const quint16 calculated = checksum(file.data);
        if (calculated != file.expectedCrc) {
            qWarning().noquote()
                << QStringLiteral("Checksum incorrect. Expected: %1, calculated: %2").arg(file.expectedCrc).arg(calculated);
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
    Q_EMIT fileTransferEnded();
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
    const bool frontWasTheirs = !m_outgoing.empty() && m_outgoing.front().destination == deviceId;
    m_outgoing.erase(std::remove_if(m_outgoing.begin(), m_outgoing.end(),
                                    [&deviceId](const Outgoing& entry) { return entry.destination == deviceId; }),
                     m_outgoing.end());
    const auto incomingBefore = m_incoming.size();
    m_incoming.erase(std::remove_if(m_incoming.begin(), m_incoming.end(),
                                    [&deviceId](const Incoming& entry) { return entry.source == deviceId; }),
                     m_incoming.end());
    if (frontWasTheirs) {
        m_stallTimer.stop();
        // The transfers queued for other devices go on at once.
        StartNextTransfer();
    }
    // A reception that was cut off is over; outgoing files for others may well go on.
    if (m_incoming.empty() && (incomingBefore > 0 || m_outgoing.empty()))
        Q_EMIT fileTransferAborted();
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
    qInfo() << "Starting transfer of" << metaData.name;
    if (metaData.size > kMaxIncomingFileSize || int(m_incoming.size()) >= kMaxIncomingFiles) {
        qWarning() << "File" << metaData.name << "from" << source << "refused: announced" << metaData.size
                   << "bytes with" << m_incoming.size() << "files being received";
        return;
    }
    StartReceiving(metaData.name, metaData.size, metaData.crc, source, metaData);
    acknowledge(source, metaData);
}

void FileTransferManager::onData(const NetworkDeviceId_t& source, const FileTransferMetaData_t& metaData,
                                 const QByteArray& data)
{
    if (!HasIncomingFrom(source)) {
        qWarning() << "File data without a transfer in progress from" << source << "dropped:" << metaData.name;
        return;
    }
    if (!AppendChunk(source, data))
        return;
    const int percent = metaData.size == 0 ? 100 : int(quint64(metaData.transferredBytes) * 100 / metaData.size);
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
        qWarning() << "File end without a transfer in progress from" << source << "dropped:" << metaData.name;
        return;
    }
    qInfo() << "File" << metaData.name << "received";
    if (metaData.index != metaData.count) {
        qInfo() << "Waiting for next file.";
        acknowledge(source, metaData);
        return;
    }
    qInfo() << "All files received.";
    const auto type = metaData.requestType;
    if (type == FileTransferRequestType_e::LogFiles || type == FileTransferRequestType_e::SettingsFile)
        WriteReceivedFiles(deviceFolder ? deviceFolder() : QString(), source);
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
