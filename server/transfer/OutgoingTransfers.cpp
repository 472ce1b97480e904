#include "transfer/OutgoingTransfers.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "core/Logging.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <limits>
#include <vector>

namespace tessivar::transfer {

namespace {

QString pathOf(const QUrl& url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    if (url.isLocalFile())
        return url.toLocalFile();
    return url.toString();
}

quint16 wire(FileTransferStatus_e status)
{
    return quint16(status);
}

} // namespace

OutgoingTransfers::OutgoingTransfers(QObject* parent)
    : QObject(parent)
{
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(kDefaultStallTimeout);
    connect(&m_stallTimer, &QTimer::timeout, this, &OutgoingTransfers::onStalled);
}

void OutgoingTransfers::setStallTimeout(std::chrono::milliseconds timeout)
{
    m_stallTimer.setInterval(timeout);
}

qint64 OutgoingTransfers::queuedBytesFor(const NetworkDeviceId_t& destination) const
{
    qint64 bytes = 0;
    for (const Outgoing& entry : m_outgoing) {
        if (entry.destination == destination)
            bytes += entry.metaData.size;
    }
    return bytes;
}

std::optional<OutgoingTransfers::Outgoing> OutgoingTransfers::readFile(const QUrl& url, const QString& name,
                                                                       const NetworkDeviceId_t& destination,
                                                                       FileTransferRequestType_e requestType,
                                                                       const QByteArray& transferData,
                                                                       qint64 plannedBytes) const
{
    const QString path = pathOf(url);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcTransfer).noquote() << QStringLiteral("File %1 doesn't exist or is not readable.").arg(path);
        return std::nullopt;
    }
    if (file.size() > std::numeric_limits<quint32>::max()
        || queuedBytesFor(destination) + plannedBytes + file.size() > m_queuedBytesPerDevice) {
        qCWarning(lcTransfer).noquote()
            << QStringLiteral("File %1 not queued: too much queued for %2.").arg(path, destination);
        return std::nullopt;
    }
    const QByteArray content = file.readAll();

    Outgoing entry;
    for (qsizetype offset = 0; offset < content.size(); offset += kChunkSize)
        entry.chunks.enqueue(content.mid(offset, kChunkSize));
    entry.metaData.status = wire(FileTransferStatus_e::Start);
    entry.metaData.requestType = requestType;
    entry.metaData.name = name;
    entry.metaData.size = quint32(content.size());
    entry.metaData.transferredBytes = 0;
    entry.metaData.crc = checksum(content);
    entry.metaData.transferData = transferData;
    entry.destination = destination;
    return entry;
}

bool OutgoingTransfers::QueueFile(const QUrl& url, const QString& name, const NetworkDeviceId_t& destination,
                                  FileTransferRequestType_e requestType, qint32 index, qint32 count,
                                  const QByteArray& transferData)
{
    qCInfo(lcTransfer).noquote()
        << QStringLiteral("Sending file %1 (%2/%3) to %4.").arg(url.toString()).arg(index).arg(count).arg(destination);
    std::optional<Outgoing> entry = readFile(url, name, destination, requestType, transferData, 0);
    if (!entry)
        return false;
    entry->metaData.index = index;
    entry->metaData.count = count;
    m_outgoing.push_back(std::move(*entry));
    return true;
}

bool OutgoingTransfers::QueueFiles(const QList<QPair<QUrl, QString>>& files, const NetworkDeviceId_t& destination,
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
        qCInfo(lcTransfer).noquote() << QStringLiteral("Sending file %1 (%2/%3) to %4.")
                                            .arg(entry.metaData.name)
                                            .arg(i + 1)
                                            .arg(count)
                                            .arg(destination);
        m_outgoing.push_back(std::move(entry));
    }
    return count > 0;
}

bool OutgoingTransfers::HasOutgoing() const
{
    return !m_outgoing.empty();
}

void OutgoingTransfers::StartNextTransfer()
{
    if (m_outgoing.empty() || m_outgoing.front().announced)
        return;
    Outgoing& front = m_outgoing.front();
    qCInfo(lcTransfer) << "Starting transfer of" << front.metaData.name;
    front.announced = true;
    front.metaData.status = wire(FileTransferStatus_e::Start);
    m_stallTimer.start();
    Q_EMIT statusUpdated(front.destination, front.metaData, {});
}

void OutgoingTransfers::sendNextChunk()
{
    if (m_outgoing.empty() || !m_outgoing.front().announced || m_outgoing.front().chunks.isEmpty())
        return;
    Outgoing& front = m_outgoing.front();
    const QByteArray chunk = front.chunks.dequeue();
    front.metaData.transferredBytes += quint32(chunk.size());
    front.metaData.status = wire(FileTransferStatus_e::Data);
    m_stallTimer.start();
    Q_EMIT statusUpdated(front.destination, front.metaData, chunk);
}

bool OutgoingTransfers::isCurrentTransferDone() const
{
    return !m_outgoing.empty() && m_outgoing.front().announced && m_outgoing.front().chunks.isEmpty();
}

void OutgoingTransfers::finishCurrentTransfer()
{
    if (m_outgoing.empty())
        return;
    Outgoing front = std::move(m_outgoing.front());
    m_outgoing.pop_front();
    qCInfo(lcTransfer) << "Transfer of" << front.metaData.name << "finished";
    front.metaData.status = wire(FileTransferStatus_e::End);
    m_stallTimer.stop();
    Q_EMIT statusUpdated(front.destination, front.metaData, {});
    StartNextTransfer();
}

void OutgoingTransfers::onStalled()
{
    if (m_outgoing.empty())
        return;
    const NetworkDeviceId_t destination = m_outgoing.front().destination;
    qCWarning(lcTransfer) << "Transfer of" << m_outgoing.front().metaData.name << "to" << destination
                          << "stalled: no acknowledgement, dropping the transfers to that device";
    m_outgoing.erase(std::remove_if(m_outgoing.begin(), m_outgoing.end(),
                                    [&destination](const Outgoing& entry) { return entry.destination == destination; }),
                     m_outgoing.end());
    StartNextTransfer();
}

void OutgoingTransfers::Acknowledged(const NetworkDeviceId_t& source)
{
    // Only the destination of the current transfer moves it on.
    if (m_outgoing.empty() || m_outgoing.front().destination != source || !m_outgoing.front().announced)
        return;
    if (isCurrentTransferDone()) {
        qCInfo(lcTransfer) << "Transfer over, sending next file";
        finishCurrentTransfer();
    } else {
        sendNextChunk();
    }
}

void OutgoingTransfers::Cancel(const NetworkDeviceId_t& deviceId)
{
    const bool frontWasTheirs = !m_outgoing.empty() && m_outgoing.front().destination == deviceId;
    m_outgoing.erase(std::remove_if(m_outgoing.begin(), m_outgoing.end(),
                                    [&deviceId](const Outgoing& entry) { return entry.destination == deviceId; }),
                     m_outgoing.end());
    if (frontWasTheirs) {
        m_stallTimer.stop();
        // The transfers queued for other devices go on at once.
        StartNextTransfer();
    }
}

} // namespace tessivar::transfer
