// Throughput of a 10 MB file transfer from the server to a test peer over loopback,
// beside a bare WebSocket echo of the same chunk size measured in the same run.
// Run inside scripts/in-private-network.sh.
//
//   transfer: the peer asks for the server's logs (one 10 MB file); the server's
//             FileTransferFlow reads it, cuts it into 100000-byte chunks and sends
//             each in a FileTransfer message (JSON, Base64) after the peer's
//             acknowledgement; the peer decodes, collects and acknowledges.
//   baseline: a QWebSocket client sends 100000 bytes, a bare QWebSocketServer echoes
//             them, the client sends the next on the echo: stop-and-wait as well.
#include "PeerFileTransfer.h"
#include "TestPeer.h"
#include "TransferTestServer.h"

#include "communication/messages/Message_FileTransferRequest.h"
#include "core/ApplicationConstants.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace tessivar;
using namespace tessivar::communication;

namespace {

constexpr qsizetype kFileSize = 10 * 1000 * 1000;
constexpr qsizetype kChunkSize = 100000;
constexpr int kRepetitions = 5;
constexpr quint16 kServerPort = 21311;
constexpr quint16 kEchoPort = 21312;

// CPU time of the process over wall time, per transfer: how much of it is work.
QList<double> g_transferCpuShare;

double megabytesPerSecond(qsizetype bytes, qint64 nanoseconds)
{
    return double(bytes) / 1e6 / (double(nanoseconds) / 1e9);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

QByteArray requestData()
{
    return test::PeerFileTransfer::requestData(QString());
}

// Runs the event loop until `done` holds after one of the sender's signals; QTest's
// waiting sleeps between its rounds, which would be measured as well.
template<typename Sender, typename Signal>
bool runUntil(Sender* sender, Signal signal, const std::function<bool()>& done)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

double transferRun(test::TestPeer& peer, const QByteArray& content)
{
    test::PeerFileTransfer transfers(peer);
    const std::clock_t cpuStart = std::clock();
    QElapsedTimer clock;
    clock.start();
    peer.send(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, requestData()));
    if (!runUntil(&peer, &test::TestPeer::messageReceived, [&] { return !transfers.files().isEmpty(); })
        || transfers.files().first() != content) {
        std::fprintf(stderr, "transfer failed\n");
        return 0;
    }
    const qint64 wall = clock.nsecsElapsed();
    g_transferCpuShare.append(double(std::clock() - cpuStart) / CLOCKS_PER_SEC / (double(wall) / 1e9));
    return megabytesPerSecond(content.size(), wall);
}

double echoRun(QWebSocket& client, const QByteArray& chunk)
{
    int echoed = 0;
    const qsizetype chunks = kFileSize / kChunkSize;
    QMetaObject::Connection connection
        = QObject::connect(&client, &QWebSocket::textMessageReceived, [&](const QString&) {
              if (++echoed < chunks)
                  client.sendTextMessage(QString::fromLatin1(chunk));
          });
    QElapsedTimer clock;
    clock.start();
    client.sendTextMessage(QString::fromLatin1(chunk));
    if (!runUntil(&client, &QWebSocket::textMessageReceived, [&] { return echoed >= chunks; }))
        std::fprintf(stderr, "echo failed\n");
    const qint64 elapsed = clock.nsecsElapsed();
    QObject::disconnect(connection);
    return megabytesPerSecond(kFileSize, elapsed);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The per-chunk lines of the transfer stay (they are part of its cost); the debug
    // dump of every message does not run in the program either.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QDir().mkpath(QStringLiteral("log"));
    QByteArray content(kFileSize, Qt::Uninitialized);
    for (char& c : content)
        c = char(QRandomGenerator::global()->bounded(256));
    QFile log(QStringLiteral("log/big.txt"));
    if (!log.open(QIODevice::WriteOnly) || log.write(content) != content.size())
        return 1;
    log.close();

    Configuration configuration(folder.filePath(QStringLiteral("config")));
    test::TransferTestServer server(configuration, kServerPort);
    test::TestPeer peer(QStringLiteral("be7c0000000000000000000000000001"), QHostAddress(QStringLiteral("127.0.0.2")));
    if (!test::connectAndRegister(server, peer, kServerPort, QStringLiteral("Bench")))
        return 1;

    QWebSocketServer echoServer(QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
    if (!echoServer.listen(QHostAddress::LocalHost, kEchoPort))
        return 1;
    QObject::connect(&echoServer, &QWebSocketServer::newConnection, [&echoServer] {
        QWebSocket* socket = echoServer.nextPendingConnection();
        QObject::connect(socket, &QWebSocket::textMessageReceived, socket,
                         [socket](const QString& message) { socket->sendTextMessage(message); });
    });
    QWebSocket client;
    client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(kEchoPort)));
    if (!QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 5000))
        return 1;
    const QByteArray chunk(kChunkSize, 'x');

    // Turns within each round, so that load on a shared machine weighs on both alike.
    QList<double> transfer, echo;
    for (int i = 0; i < kRepetitions; ++i) {
        echo.append(echoRun(client, chunk));
        transfer.append(transferRun(peer, content));
    }
    const double transferRate = median(transfer);
    const double echoRate = median(echo);
    std::printf("10 MB transfer, server to test peer: %8.1f MB/s (median of %d)\n", transferRate, kRepetitions);
    std::printf("bare WebSocket echo, %lld-byte chunks: %8.1f MB/s (median of %d)\n", (long long)kChunkSize, echoRate,
                kRepetitions);
    std::printf("CPU busy during the transfer: %.0f%% of its time\n", 100 * median(g_transferCpuShare));
    std::printf("ratio transfer / bare echo: %.2f (target >= 0.25)\n", transferRate / echoRate);
    return 0;
}
