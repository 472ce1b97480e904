#pragma once

// What a device does for file transfers, played beside a TestPeer:
//
//   PeerFileTransfer transfers(peer);         // acknowledges and collects what the server sends
//   transfers.sendFiles({{"a.txt", bytes}}, FileTransferRequestType_e::LogFiles);
//   QVERIFY(transfers.waitForSent());          // every message of the request went out
//
// Incoming: each start, data and end (but the end of a request's last file) is
// acknowledged, and the files are collected by name. Outgoing: the same stop-and-wait
// as the server's, one message per acknowledgement of the server.

#include "TestPeer.h"

#include "communication/FileTransferMetaData.h"
#include "core/ApplicationConstants.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

namespace tessivar::test {

class PeerFileTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kChunkSize = 100000;

    explicit PeerFileTransfer(TestPeer& peer, QObject* parent = nullptr);

    // Off: the peer stays silent, as a phone gone to sleep.
    void setAcknowledging(bool acknowledging);

    // Every FileTransfer message received from the server, in order, with its data.
    struct Step {
        FileTransferMetaData_t metaData;
        QByteArray data;
    };
    const QList<Step>& steps() const { return m_steps; }
    // Files received whole (started, all data, ended), by name; a later one replaces.
    const QMap<QString, QByteArray>& files() const { return m_files; }
    // Acknowledgements the server sent for what this peer sent.
    const QList<FileTransferMetaData_t>& acknowledgements() const { return m_acknowledgements; }
    bool waitForFiles(int count, int timeoutMs = 5000);

    // Sends the files as one request; `crcs` replaces the right CRC of a file at the same position.
    void sendFiles(const QList<QPair<QString, QByteArray>>& files, FileTransferRequestType_e type,
                   const QList<quint16>& crcs = {});
    // True once the last message of the request went out.
    bool waitForSent(int timeoutMs = 5000);

    // A request's "RequestData" as a device writes it: one value in a version 19 stream
    // (the class ids of a data class request, an empty string for logs and settings).
    template<typename Value> static QByteArray requestData(const Value& value)
    {
        QByteArray data;
        QDataStream stream(&data, QIODevice::WriteOnly);
        stream.setVersion(kDataStreamVersion);
        stream << value;
        return data;
    }

private:
    void onMessage(communication::MessageType_e type);
    void onStep(const FileTransferMetaData_t& metaData, const QByteArray& data);
    void sendNext();

    TestPeer& m_peer;
    bool m_acknowledging = true;
    QList<Step> m_steps;
    QMap<QString, QByteArray> m_files;
    QByteArray m_current;
    QList<FileTransferMetaData_t> m_acknowledgements;
    // Outgoing messages, each released by one acknowledgement after the first.
    QList<QPair<FileTransferMetaData_t, QByteArray>> m_outgoing;
};

} // namespace tessivar::test
