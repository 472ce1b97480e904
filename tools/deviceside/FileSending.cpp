#include "FileSending.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QDebug>

namespace tessivar::devicecli {

namespace {
constexpr quint16 kStatusStart = 0;
constexpr quint16 kStatusData = 1;
constexpr quint16 kStatusEnd = 2;
} // namespace

FileSending::FileSending(Send_t send)
    : m_send(std::move(send))
{
}

bool FileSending::queue(const QList<File>& files, FileTransferRequestType_e requestType)
{
    const bool wasIdle = m_queue.empty();
    qsizetype total = 0;
    QList<File> taken;
    for (const File& file : files) {
        if (total + file.content.size() > kMaximumQueuedBytes) {
            qWarning() << "Not sending" << file.name << "and the files after it: the request passes"
                       << kMaximumQueuedBytes << "bytes";
            break;
        }
        total += file.content.size();
        taken.append(file);
    }
    for (qsizetype index = 0; index < taken.size(); ++index) {
        Entry entry;
        entry.metaData.status = kStatusStart;
        entry.metaData.requestType = requestType;
        entry.metaData.name = taken[index].name;
        entry.metaData.size = static_cast<quint32>(taken[index].content.size());
        entry.metaData.crc = checksum(taken[index].content);
        entry.metaData.count = static_cast<qint32>(taken.size());
        entry.metaData.index = static_cast<qint32>(index + 1);
        for (qsizetype at = 0; at < taken[index].content.size(); at += kChunkSize)
            entry.chunks.push_back(taken[index].content.mid(at, kChunkSize));
        m_queue.push_back(std::move(entry));
    }
    // A running transfer stays intact: the new files follow it.
    if (wasIdle && !m_queue.empty())
        announceFront();
    return !taken.isEmpty();
}

void FileSending::announceFront()
{
    Entry& front = m_queue.front();
    qInfo() << "Starting transfer of" << front.metaData.name;
    front.metaData.status = kStatusStart;
    m_send(front.metaData, QByteArray());
}

void FileSending::acknowledged()
{
    if (m_queue.empty())
        return;
    Entry& front = m_queue.front();
    if (!front.chunks.empty()) {
        const QByteArray chunk = std::move(front.chunks.front());
        front.chunks.pop_front();
        front.metaData.transferredBytes += static_cast<quint32>(chunk.size());
        front.metaData.status = kStatusData;
        m_send(front.metaData, chunk);
        return;
    }
    qInfo() << "Transfer of" << front.metaData.name << "finished";
    front.metaData.status = kStatusEnd;
    m_send(front.metaData, QByteArray());
    m_queue.pop_front();
    if (!m_queue.empty())
        announceFront();
}

void FileSending::clear()
{
    m_queue.clear();
}

bool FileSending::isIdle() const
{
    return m_queue.empty();
}

} // namespace tessivar::devicecli
