#include "PeerFileTransfer.h"

#include "communication/messages/Message_FileTransfer.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QTest>

namespace tessivar::test {

using communication::Message_FileTransfer;
using communication::MessageType_e;

PeerFileTransfer::PeerFileTransfer(TestPeer& peer, QObject* parent)
    : QObject(parent)
    , m_peer(peer)
{
    connect(&m_peer, &TestPeer::messageReceived, this, [this](MessageType_e type, bool) { onMessage(type); });
}

void PeerFileTransfer::setAcknowledging(bool acknowledging)
{
    m_acknowledging = acknowledging;
}

void PeerFileTransfer::onMessage(MessageType_e type)
{
    if (type != MessageType_e::FileTransfer || m_peer.received().empty())
        return;
    TestPeer::Received& received = *m_peer.received().back();
    const auto* message = dynamic_cast<const Message_FileTransfer*>(received.message.get());
    if (!message)
        return;
    received.taken = true;
    onStep(message->GetMetaData(), message->GetFileData());
}

void PeerFileTransfer::onStep(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    if (metaData.status == 4) {
        m_acknowledgements.append(metaData);
        sendNext();
        return;
    }
    m_steps.append({metaData, data});
    if (metaData.status == 0)
        m_current.clear();
    else if (metaData.status == 1)
        m_current.append(data);
    else if (metaData.status == 2)
        m_files.insert(metaData.name, m_current);
    const bool lastEnd = metaData.status == 2 && metaData.index == metaData.count;
    if (m_acknowledging && !lastEnd) {
        FileTransferMetaData_t ack = metaData;
        ack.status = 4;
        m_peer.send(Message_FileTransfer(ack, {}));
    }
}

bool PeerFileTransfer::waitForFiles(int count, int timeoutMs)
{
    return QTest::qWaitFor([this, count] { return m_files.size() >= count; }, timeoutMs);
}

void PeerFileTransfer::sendFiles(const QList<QPair<QString, QByteArray>>& files, FileTransferRequestType_e type,
                                 const QList<quint16>& crcs)
{
    const bool idle = m_outgoing.isEmpty();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QByteArray& content = files.at(i).second;
        FileTransferMetaData_t metaData;
        metaData.requestType = type;
        metaData.name = files.at(i).first;
        metaData.size = quint32(content.size());
        metaData.crc = i < crcs.size() ? crcs.at(i) : checksum(content);
        metaData.count = qint32(files.size());
        metaData.index = qint32(i + 1);
        m_outgoing.append({metaData, {}});
        for (qsizetype offset = 0; offset < content.size(); offset += kChunkSize) {
            metaData.status = 1;
            metaData.transferredBytes = quint32(qMin(offset + kChunkSize, content.size()));
            m_outgoing.append({metaData, content.mid(offset, kChunkSize)});
        }
        metaData.status = 2;
        m_outgoing.append({metaData, {}});
    }
    if (idle)
        sendNext();
}

void PeerFileTransfer::sendNext()
{
    // After a file's end its successor's start follows at once, as the server does.
    while (!m_outgoing.isEmpty()) {
        const auto [metaData, data] = m_outgoing.takeFirst();
        m_peer.send(Message_FileTransfer(metaData, data));
        if (metaData.status != 2 || m_outgoing.isEmpty())
            return;
    }
}

bool PeerFileTransfer::waitForSent(int timeoutMs)
{
    return QTest::qWaitFor([this] { return m_outgoing.isEmpty(); }, timeoutMs);
}

} // namespace tessivar::test
