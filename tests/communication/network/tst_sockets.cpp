// The socket classes on their own: the WebSocket server, one connection, the UDP socket.
#include "RawWebSocketClient.h"
#include "support/LogCapture.h"

#include "communication/network/ConnectedSocket.h"
#include "communication/network/ConnectedSocketServer.h"
#include "communication/network/NonConnectedSocket.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <memory>
#include <vector>

using namespace tessivar::communication::network;
using tessivar::test::RawWebSocketClient;

namespace {

// Ports of this executable; other test executables use other ranges.
constexpr quint16 kServerPort = 21101;
constexpr quint16 kUdpPort = 21111;

const QHostAddress kLocal(QStringLiteral("127.0.0.1"));

// A server listening on kServerPort that owns the sockets it hands out, as the socket
// manager would.
struct ListeningServer {
    ConnectedSocketServer server{QStringLiteral("server"), kServerPort};
    std::vector<std::unique_ptr<ConnectedSocket>> sockets;

    ListeningServer()
    {
        QObject::connect(&server, &ConnectedSocketServer::SocketConnected, &server,
                         [this](ConnectedSocket* socket) { sockets.emplace_back(socket); });
        server.Listen();
    }
};

} // namespace

class tst_Sockets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void secondServerOnTheSamePortFails();
    void burstOfConnectionsIsAcceptedWhole();
    void textMessagesArriveBinaryFramesDoNot();
    void unfinishedOrBrokenHandshakesAreDropped();
    void unfinishedHandshakesAreCapped_data();
    void unfinishedHandshakesAreCapped();
    void untrustedPeersKeepToTheirBudget_data();
    void untrustedPeersKeepToTheirBudget();
    void oversizeMessagesAreRefused_data();
    void oversizeMessagesAreRefused();
    void outgoingSocketSendsTextAndReportsItsPeer();
    void datagramsCarryTheOwnPort();
    void oversizeDatagramIsDiscarded();
    void datagramsGoToTheOwnPort();
    void secondBindFails();
    void broadcastReachesEveryLocalNetwork();
};

void tst_Sockets::initTestCase()
{
    registerNetworkMetaTypes();
}

void tst_Sockets::secondServerOnTheSamePortFails()
{
    LogCapture log;
    ConnectedSocketServer first(QStringLiteral("first"), kServerPort);
    QSignalSpy firstErrors(&first, &ConnectedSocketServer::ErrorOccurred);
    first.Listen();
    QVERIFY(first.IsListening());
    QCOMPARE(firstErrors.count(), 0);
    QCOMPARE(log.count(QtInfoMsg,
                       QRegularExpression(QStringLiteral("^ConnectedSocketServer\\[SecureMode=.*NonSecureMode,"
                                                         "IsListening=true,Port=21101,Name=first\\]: Ready$"))),
             1);

    ConnectedSocketServer second(QStringLiteral("second"), kServerPort);
    QSignalSpy errors(&second, &ConnectedSocketServer::ErrorOccurred);
    second.Listen();
    QVERIFY(!second.IsListening());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<SocketError>(), SocketError::ListenFailed);
    QCOMPARE(log.count(QtWarningMsg, QStringLiteral("Could not listen")), 1);
    QCOMPARE(log.count(QtInfoMsg,
                       QRegularExpression(QStringLiteral(
                           "IsListening=false\\]: trying to listen to connected communication on port 21101$"))),
             2);
}

void tst_Sockets::burstOfConnectionsIsAcceptedWhole()
{
    LogCapture log;
    ListeningServer accepted;

    RawWebSocketClient a(QHostAddress(QStringLiteral("127.0.0.2")));
    RawWebSocketClient b(QHostAddress(QStringLiteral("127.0.0.3")));
    a.open(kLocal, kServerPort);
    b.open(kLocal, kServerPort);
    QTRY_COMPARE(accepted.sockets.size(), size_t(2));
    QVERIFY(log.count(QtInfoMsg, QStringLiteral(": New connection")) <= 2);
    QTRY_VERIFY(a.isOpen() && b.isOpen());
    QStringList peers;
    for (const auto& socket : accepted.sockets) {
        QVERIFY(socket->HasConnected());
        peers << socket->GetPeerEndPoint().GetAddress().toString();
    }
    peers.sort();
    QCOMPARE(peers, (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3")}));
}

void tst_Sockets::textMessagesArriveBinaryFramesDoNot()
{
    LogCapture log;
    ListeningServer accepted;
    RawWebSocketClient client(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(client.connectToServer(kLocal, kServerPort));
    QTRY_COMPARE(accepted.sockets.size(), size_t(1));
    QSignalSpy data(accepted.sockets.front().get(), &ConnectedSocket::DataReceived);

    client.sendBinary(QByteArrayLiteral("{\"binary\":true}"));
    client.sendText(QByteArrayLiteral("{\"text\":\"\xc3\xa9\"}"));
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).toByteArray(), QByteArrayLiteral("{\"text\":\"\xc3\xa9\"}"));

    // Sending goes through a text message: invalid UTF-8 arrives with replacement characters.
    QSignalSpy received(&client, &RawWebSocketClient::textMessageReceived);
    accepted.sockets.front()->Send(QByteArray("a\xff"
                                              "b"));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toByteArray(),
             QByteArray("a\xef\xbf\xbd"
                        "b"));
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral("Sending data to socket[ConnectedSocket[State=")), 1);
}

void tst_Sockets::unfinishedOrBrokenHandshakesAreDropped()
{
    ConnectedSocketServer server(QStringLiteral("server"), kServerPort);
    server.SetHandshakeTimeout(std::chrono::milliseconds(100));
    QSignalSpy accepted(&server, &ConnectedSocketServer::SocketConnected);
    server.Listen();

    RawWebSocketClient silent(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(silent.connectTcpOnly(kLocal, kServerPort));
    silent.sendRaw("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    RawWebSocketClient garbage(QHostAddress(QStringLiteral("127.0.0.3")));
    QVERIFY(garbage.connectTcpOnly(kLocal, kServerPort));
    garbage.sendRaw("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nSec-WebSocket-Version: 13\r\n\r\n");

    QVERIFY(silent.waitForDisconnected(3000));
    QVERIFY(garbage.waitForDisconnected(3000));
    QCOMPARE(accepted.count(), 0);
}

void tst_Sockets::unfinishedHandshakesAreCapped_data()
{
    QTest::addColumn<int>("addresses");
    QTest::addColumn<int>("perAddress");
    QTest::addColumn<int>("kept");
    const int perAddress = ConnectedSocketServer::kMaximumUnfinishedHandshakesPerAddress;
    QTest::newRow("one address") << 1 << perAddress + 6 << perAddress;
    QTest::newRow("several addresses") << 10 << perAddress + 2 << 10 * perAddress;
}

// Half-open connections beyond the budget are refused at once, while a handshake from
// elsewhere still succeeds once they are gone; the refusal is logged once per address.
void tst_Sockets::unfinishedHandshakesAreCapped()
{
    QFETCH(int, addresses);
    QFETCH(int, perAddress);
    QFETCH(int, kept);
    LogCapture log;
    ConnectedSocketServer server(QStringLiteral("server"), kServerPort);
    server.SetHandshakeTimeout(std::chrono::milliseconds(1500));
    QSignalSpy accepted(&server, &ConnectedSocketServer::SocketConnected);
    server.Listen();

    std::vector<std::unique_ptr<QTcpSocket>> halfOpen;
    for (int a = 0; a < addresses; ++a) {
        for (int i = 0; i < perAddress; ++i) {
            halfOpen.push_back(std::make_unique<QTcpSocket>());
            halfOpen.back()->bind(QHostAddress(QStringLiteral("127.0.%1.%2").arg(10 + a / 200).arg(2 + a % 200)));
            halfOpen.back()->connectToHost(kLocal, kServerPort);
        }
    }
    const auto stillOpen = [&halfOpen] {
        return int(std::count_if(halfOpen.begin(), halfOpen.end(),
                                 [](const auto& c) { return c->state() == QAbstractSocket::ConnectedState; }));
    };
    QTRY_VERIFY(std::none_of(halfOpen.begin(), halfOpen.end(), [](const auto& c) {
        return c->state() == QAbstractSocket::ConnectingState || c->state() == QAbstractSocket::HostLookupState;
    }));
    QTest::qWait(100);
    QTRY_COMPARE(stillOpen(), kept);
    // Logged once per address, not once per refusal.
    const int refusals = addresses * perAddress - kept;
    const int logged = log.count(QtWarningMsg, QStringLiteral("refusing connections from"));
    QVERIFY2(logged >= 1 && logged <= std::min(addresses, refusals), qPrintable(QString::number(logged)));
    // Once the handshake time-out has closed them, a new peer gets through.
    QTRY_COMPARE_WITH_TIMEOUT(stillOpen(), 0, 5000);
    RawWebSocketClient good(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(good.connectToServer(kLocal, kServerPort));
    QTRY_COMPARE(accepted.count(), 1);
    // The receiver of the signal owns the socket.
    delete accepted.takeFirst().at(0).value<ConnectedSocket*>();
}

void tst_Sockets::untrustedPeersKeepToTheirBudget_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<int>("messages");
    QTest::addColumn<bool>("closed");
    const int budget = ConnectedSocket::kMaximumUntrustedMessagesPerSecond;
    QTest::newRow("untrusted within") << false << budget << false;
    QTest::newRow("untrusted beyond") << false << budget * 5 << true;
    QTest::newRow("trusted beyond") << true << budget * 5 << false;
}

// A peer that floods before its device registered is cut off, logged once; within the
// second's budget, or once trusted, it is not.
void tst_Sockets::untrustedPeersKeepToTheirBudget()
{
    QFETCH(bool, trusted);
    QFETCH(int, messages);
    QFETCH(bool, closed);
    LogCapture log;
    ListeningServer accepted;
    RawWebSocketClient client(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(client.connectToServer(kLocal, kServerPort));
    QTRY_COMPARE(accepted.sockets.size(), size_t(1));
    ConnectedSocket& socket = *accepted.sockets.front();
    TimePoint now{};
    socket.SetClock([&now] { return now; });
    socket.SetTrusted(trusted);
    QSignalSpy data(&socket, &ConnectedSocket::DataReceived);
    for (int i = 0; i < messages; ++i)
        client.sendText("{}");
    if (closed) {
        QVERIFY(client.waitForDisconnected(3000));
        QCOMPARE(data.count(), ConnectedSocket::kMaximumUntrustedMessagesPerSecond);
        QCOMPARE(log.count(QtWarningMsg, QStringLiteral("messages in a second before registering")), 1);
        return;
    }
    QTRY_COMPARE(data.count(), messages);
    // A new second, a new budget.
    now += std::chrono::seconds(1);
    client.sendText("{}");
    QTRY_COMPARE(data.count(), messages + 1);
    QVERIFY(client.isOpen());
}

void tst_Sockets::oversizeMessagesAreRefused_data()
{
    QTest::addColumn<bool>("fragmented");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("stranger: one frame announcing too much") << false << false;
    QTest::newRow("stranger: fragments adding up to too much") << true << false;
    QTest::newRow("registered: one frame announcing too much") << false << true;
    QTest::newRow("registered: fragments adding up to too much") << true << true;
}

void tst_Sockets::oversizeMessagesAreRefused()
{
    QFETCH(bool, fragmented);
    QFETCH(bool, trusted);
    LogCapture log;
    ListeningServer accepted;
    RawWebSocketClient client(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(client.connectToServer(kLocal, kServerPort));
    QTRY_COMPARE(accepted.sockets.size(), size_t(1));
    ConnectedSocket* socket = accepted.sockets.front().get();
    QSignalSpy data(socket, &ConnectedSocket::DataReceived);
    QSignalSpy disconnected(socket, &ConnectedSocket::Disconnected);

    socket->SetTrusted(trusted);
    const qint64 limit
        = trusted ? ConnectedSocket::kMaximumIncomingMessageSize : ConnectedSocket::kMaximumUntrustedMessageSize;
    const qint64 tooMuch = limit + 1;
    if (!fragmented) {
        // Only the header is sent: the refusal must not wait for (or buffer) the payload.
        client.sendFrame(RawWebSocketClient::Text, QByteArray(), true, tooMuch);
    } else {
        const QByteArray piece(trusted ? 1024 * 1024 : 1024, 'x');
        client.sendFrame(RawWebSocketClient::Text, piece, false);
        for (qint64 sent = piece.size(); sent < tooMuch && client.isOpen(); sent += piece.size()) {
            client.sendFrame(RawWebSocketClient::Continuation, piece, false);
            QCoreApplication::processEvents();
        }
    }
    QTRY_COMPARE(disconnected.count(), 1);
    QVERIFY(client.waitForDisconnected());
    QCOMPARE(data.count(), 0);
    QCOMPARE(log.count(QtWarningMsg,
                       QStringLiteral("refused an incoming message or frame larger than [%1] bytes").arg(limit)),
             1);
}

void tst_Sockets::outgoingSocketSendsTextAndReportsItsPeer()
{
    QWebSocketServer bare(QStringLiteral("bare"), QWebSocketServer::NonSecureMode);
    QVERIFY(bare.listen(QHostAddress(QStringLiteral("127.0.0.5")), kServerPort));
    std::unique_ptr<QWebSocket> remote;
    connect(&bare, &QWebSocketServer::newConnection, this, [&] { remote.reset(bare.nextPendingConnection()); });

    ConnectedSocket socket(QStringLiteral("origin-name"));
    QSignalSpy connected(&socket, &ConnectedSocket::Connected);
    QSignalSpy disconnected(&socket, &ConnectedSocket::Disconnected);
    QVERIFY(!socket.HasConnected());
    socket.Open(PeerEndPoint(QHostAddress(QStringLiteral("::ffff:127.0.0.5")), kServerPort));
    QTRY_COMPARE(connected.count(), 1);
    QTRY_VERIFY(remote != nullptr);
    QCOMPARE(remote->origin(), QStringLiteral("origin-name"));
    QCOMPARE(socket.GetPeerEndPoint(), PeerEndPoint(QHostAddress(QStringLiteral("127.0.0.5")), kServerPort));

    QSignalSpy remoteText(remote.get(), &QWebSocket::textMessageReceived);
    socket.Send(QByteArrayLiteral("{\"a\":1}"));
    QTRY_COMPARE(remoteText.count(), 1);
    QCOMPARE(remoteText.at(0).at(0).toString(), QStringLiteral("{\"a\":1}"));

    remote->close();
    QTRY_COMPARE(disconnected.count(), 1);
    // Still names its peer after the end, so that the owner can report who left.
    QCOMPARE(socket.GetPeerEndPoint().GetAddress(), QHostAddress(QStringLiteral("127.0.0.5")));
}

void tst_Sockets::datagramsCarryTheOwnPort()
{
    LogCapture log;
    NonConnectedSocket socket(kUdpPort, QStringLiteral("Listener"));
    QSignalSpy data(&socket, &INonConnectedSocket::DataReceived);
    socket.Bind();
    QCOMPARE(
        log.count(
            QtDebugMsg,
            QStringLiteral(
                "NonConnectedSocket[Description=Listener,State=QAbstractSocket::BoundState,Port=21111]: listening")),
        1);

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress(QStringLiteral("127.0.0.7")), 5555));
    sender.writeDatagram(QByteArray(), kLocal, kUdpPort);
    sender.writeDatagram(QByteArrayLiteral("{\"hello\":1}"), kLocal, kUdpPort);
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).toByteArray(), QByteArrayLiteral("{\"hello\":1}"));
    const auto endPoint = data.at(0).at(1).value<PeerEndPoint>();
    QCOMPARE(endPoint.GetAddress(), QHostAddress(QStringLiteral("127.0.0.7")));
    QCOMPARE(endPoint.GetPort(), std::optional<quint16>(kUdpPort));
    // The empty one was read, logged and dropped.
    QCOMPARE(log.count(QtDebugMsg,
                       QRegularExpression(QStringLiteral(
                           ": datagram received "
                           "\\[QNetworkDatagram\\[Bytes=0,SenderAddress=(::ffff:)?127\\.0\\.0\\.7,SenderPort=5555,"))),
             1);
}

void tst_Sockets::oversizeDatagramIsDiscarded()
{
    LogCapture log;
    NonConnectedSocket socket(kUdpPort, QStringLiteral("Listener"));
    socket.SetMaximumDatagramSize(100);
    QSignalSpy data(&socket, &INonConnectedSocket::DataReceived);
    socket.Bind();

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress(QStringLiteral("127.0.0.8")), 0));
    sender.writeDatagram(QByteArray(101, 'x'), kLocal, kUdpPort);
    sender.writeDatagram(QByteArray(100, 'y'), kLocal, kUdpPort);
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray(100, 'y'));
    QCOMPARE(
        log.count(
            QtWarningMsg,
            QRegularExpression(QStringLiteral(
                "datagram of \\[101\\] bytes from \\[127\\.0\\.0\\.8:\\d+\\] refused, larger than \\[100\\] bytes$"))),
        1);
}

void tst_Sockets::datagramsGoToTheOwnPort()
{
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress(QStringLiteral("127.0.0.9")), kUdpPort));
    NonConnectedSocket emission(kUdpPort, QStringLiteral("EmissionSocket"));
    emission.SendTo(QByteArrayLiteral("ping"), PeerEndPoint(QHostAddress(QStringLiteral("::ffff:127.0.0.9")), 4444));
    QTRY_VERIFY(receiver.hasPendingDatagrams());
    const QNetworkDatagram datagram = receiver.receiveDatagram();
    QCOMPARE(datagram.data(), QByteArrayLiteral("ping"));
}

void tst_Sockets::secondBindFails()
{
    LogCapture log;
    NonConnectedSocket first(kUdpPort, QStringLiteral("First"));
    first.Bind();
    NonConnectedSocket second(kUdpPort, QStringLiteral("Second"));
    QSignalSpy errors(&second, &INonConnectedSocket::ErrorOccurred);
    second.Bind();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<SocketError>(), SocketError::BindFailed);
    QCOMPARE(log.count(QtWarningMsg,
                       QStringLiteral("NonConnectedSocket[Description=Second,State=QAbstractSocket::UnconnectedState,"
                                      "Port=0]: socket bind failed with error [")),
             1);
}

namespace {

bool runIp(const QStringList& arguments)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), arguments);
    return ip.waitForFinished(5000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}

} // namespace

void tst_Sockets::broadcastReachesEveryLocalNetwork()
{
    // Only inside a namespace of our own (loopback alone) may the test add interfaces
    // and broadcast: never on the machine's real networks.
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces) {
        if (!networkInterface.flags().testFlag(QNetworkInterface::IsLoopBack))
            QSKIP("Not in a private network namespace; the broadcast test needs one");
    }
    const QString a = QStringLiteral("tsv%1a").arg(QCoreApplication::applicationPid() % 10000);
    const QString b = QStringLiteral("tsv%1b").arg(QCoreApplication::applicationPid() % 10000);
    if (!runIp({QStringLiteral("link"), QStringLiteral("add"), a, QStringLiteral("type"), QStringLiteral("veth"),
                QStringLiteral("peer"), QStringLiteral("name"), b}))
        QSKIP("Cannot create a veth pair here (not permitted)");
    const auto cleanup = qScopeGuard([&] { runIp({QStringLiteral("link"), QStringLiteral("del"), a}); });
    QVERIFY(runIp({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.213.0.1/24"),
                   QStringLiteral("broadcast"), QStringLiteral("10.213.0.255"), QStringLiteral("dev"), a}));
    QVERIFY(runIp({QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.213.1.1/24"),
                   QStringLiteral("broadcast"), QStringLiteral("10.213.1.255"), QStringLiteral("dev"), b}));
    QVERIFY(runIp({QStringLiteral("link"), QStringLiteral("set"), a, QStringLiteral("up")}));
    QVERIFY(runIp({QStringLiteral("link"), QStringLiteral("set"), b, QStringLiteral("up")}));

    LogCapture log;
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress::AnyIPv4, kUdpPort));
    NonConnectedSocket emission(kUdpPort, QStringLiteral("EmissionSocket"));
    const auto ready = [](const QString& name) {
        const QNetworkInterface networkInterface = QNetworkInterface::interfaceFromName(name);
        const auto entries = networkInterface.addressEntries();
        return networkInterface.flags().testFlag(QNetworkInterface::IsUp)
            && std::any_of(entries.begin(), entries.end(), [](const auto& e) { return !e.broadcast().isNull(); });
    };
    QTRY_VERIFY(ready(a) && ready(b));
    emission.Broadcast(QByteArrayLiteral("{\"hello\":\"all\"}"));

    // Once per broadcast address of every interface that is up (on Linux the loopback
    // entry has one too, which keeps the datagram on this machine).
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral(": broadcasting data")), 1);
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral(": sending data to [10.213.0.255:21111]")), 1);
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral(": sending data to [10.213.1.255:21111]")), 1);
    QSet<QString> destinations;
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                 while (receiver.hasPendingDatagrams()) {
                                     const QNetworkDatagram datagram = receiver.receiveDatagram();
                                     if (datagram.data() == QByteArrayLiteral("{\"hello\":\"all\"}"))
                                         destinations.insert(
                                             PeerEndPoint::Normalize(datagram.destinationAddress()).toString());
                                 }
                                 return destinations.contains(QStringLiteral("10.213.0.255"))
                                     && destinations.contains(QStringLiteral("10.213.1.255"));
                             }()),
                             3000);
}

QTEST_GUILESS_MAIN(tst_Sockets)
#include "tst_sockets.moc"
