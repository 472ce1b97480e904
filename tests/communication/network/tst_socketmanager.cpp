// The socket manager against real loopback peers: one connection per address, the idle
// drop through an injected clock, outgoing connections, datagrams and hostile input.
#include "RawWebSocketClient.h"
#include "TestPeer.h"
#include "support/LogCapture.h"

#include "communication/MessageCodec.h"
#include "communication/messages/Message_Hello.h"
#include "communication/network/NonConnectedSocket.h"
#include "communication/network/SocketManager.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

using namespace tessivar::communication;
using namespace tessivar::communication::network;
using tessivar::test::RawWebSocketClient;
using tessivar::test::TestPeer;

namespace {

// Ports of this executable; other test executables use other ranges.
constexpr quint16 kPort = 21201;
constexpr quint16 kUnusedPort = 21209;
constexpr quint16 kRemotePort = 21202;

const QHostAddress kLocal(QStringLiteral("127.0.0.1"));

QHostAddress loopback(int host)
{
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(host));
}

PeerEndPoint endPointOf(const QSignalSpy& spy, int index)
{
    return spy.at(index).at(0).value<PeerEndPoint>();
}

// A clock the test moves by hand.
struct FakeClock {
    TimePoint now = TimePoint(std::chrono::seconds(1700000000));
    Clock clock()
    {
        return [this] { return now; };
    }
};

// Another server, greeting.
const MessageSender_t kServerSender{QStringLiteral("fedcba9876543210fedcba9876543210"), QStringLiteral("server"),
                                    QVersionNumber(1, 5, 1), tessivar::device::ApplicationType_e::Server};

std::optional<QByteArray> serverHello(quint64 sequenceId)
{
    return MessageCodec().Serialize(Message_Hello(kServerSender.id), sequenceId, std::nullopt, kServerSender);
}

// The manager under test, with spies on the peers it reports. Given a clock, it measures
// silence by it and checks for idle peers only when the test says so.
struct ManagerUnderTest {
    explicit ManagerUnderTest(FakeClock* fake = nullptr, const QString& name = QStringLiteral("server"))
        : manager(name, kPort)
    {
        if (fake) {
            manager.SetClock(fake->clock());
            manager.SetIdleCheckInterval(std::chrono::hours(1));
        }
    }

    SocketManager manager;
    QSignalSpy connected{&manager, &SocketManager::PeerConnected};
    QSignalSpy received{&manager, &SocketManager::DataReceived};
    QSignalSpy disconnected{&manager, &SocketManager::PeerDisconnected};
};

} // namespace

class tst_SocketManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void keepsOneConnectionPerAddress();
    void burstFromOneAddressKeepsOnlyTheFirst();
    void dropsPeersSilentForMoreThanThirtySeconds();
    void halfOpenConnectionIsReplaced_data();
    void halfOpenConnectionIsReplaced();
    void idleTimerRunsTheCheck();
    void socketDroppedWhileDeliveringItsOwnData();
    void outgoingConnectionToNobodyIsRemovedQuietly();
    void outgoingConnectionCarriesDataBothWays();
    void secondServerOnTheSamePortReportsListenFailed();
    void datagramsFromListenersAreNotConnected();
    void nonConnectedHelloMakesThePeerConnect();
    void broadcastHelloReachesEveryPeer();
    void hostileInputLeavesOtherPeersServed();
    void disconnectInMidMessageIsAPlainDisconnect();
};

void tst_SocketManager::initTestCase()
{
    registerNetworkMetaTypes();
}

void tst_SocketManager::keepsOneConnectionPerAddress()
{
    LogCapture log;
    ManagerUnderTest server;
    server.manager.StartServer();

    RawWebSocketClient first(loopback(2));
    QVERIFY(first.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 1);
    QCOMPARE(endPointOf(server.connected, 0).GetAddress(), loopback(2));

    RawWebSocketClient second(loopback(2));
    second.open(kLocal, kPort);
    QVERIFY(second.waitForDisconnected());
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral("There is already such a socket:ConnectedSocket[")), 1);
    QCOMPARE(server.connected.count(), 1);

    // The first connection still carries data, marked as connected.
    first.sendText(QByteArrayLiteral("{\"from\":\"first\"}"));
    QTRY_COMPARE(server.received.count(), 1);
    QCOMPARE(server.received.at(0).at(0).toByteArray(), QByteArrayLiteral("{\"from\":\"first\"}"));
    QCOMPARE(server.received.at(0).at(1).value<PeerEndPoint>().GetAddress(), loopback(2));
    QCOMPARE(server.received.at(0).at(2).toBool(), true);

    // Another address is another peer; sending picks the connection by address.
    RawWebSocketClient other(loopback(3));
    QVERIFY(other.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 2);
    QSignalSpy firstText(&first, &RawWebSocketClient::textMessageReceived);
    QSignalSpy otherText(&other, &RawWebSocketClient::textMessageReceived);
    server.manager.Send(QByteArrayLiteral("to-three"), PeerEndPoint(loopback(3), 1));
    server.manager.Send(QByteArrayLiteral("to-nobody"), PeerEndPoint(loopback(4), kPort));
    QTRY_COMPARE(otherText.count(), 1);
    QCOMPARE(otherText.at(0).at(0).toByteArray(), QByteArrayLiteral("to-three"));
    QCOMPARE(firstText.count(), 0);

    first.close();
    QTRY_COMPARE(server.disconnected.count(), 1);
    QCOMPARE(endPointOf(server.disconnected, 0).GetAddress(), loopback(2));
    // Its address is free again.
    RawWebSocketClient again(loopback(2));
    QVERIFY(again.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 3);
}

void tst_SocketManager::burstFromOneAddressKeepsOnlyTheFirst()
{
    LogCapture log;
    ManagerUnderTest server;
    server.manager.StartServer();

    constexpr int kBurst = 200;
    std::vector<std::unique_ptr<RawWebSocketClient>> burst;
    for (int i = 0; i < kBurst; ++i) {
        burst.push_back(std::make_unique<RawWebSocketClient>(loopback(4)));
        burst.back()->open(kLocal, kPort);
    }
    // Beyond the first, each is turned away: by the socket manager, or before its
    // handshake once the address has too many of them unfinished.
    const auto closed = [&burst] {
        return int(std::count_if(burst.begin(), burst.end(),
                                 [](const auto& c) { return !c->isOpen() && c->waitForDisconnected(0); }));
    };
    QTRY_VERIFY_WITH_TIMEOUT(closed() == kBurst - 1, 20000);
    QVERIFY(log.count(QtDebugMsg, QStringLiteral("There is already such a socket:")) <= kBurst - 1);
    QCOMPARE(server.connected.count(), 1);
    int open = 0;
    QTRY_VERIFY((open = int(std::count_if(burst.begin(), burst.end(), [](const auto& c) { return c->isOpen(); })))
                == 1);

    // A well-behaved peer elsewhere is still served.
    RawWebSocketClient good(loopback(5));
    QVERIFY(good.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 2);
}

void tst_SocketManager::dropsPeersSilentForMoreThanThirtySeconds()
{
    LogCapture log;
    FakeClock fake;
    ManagerUnderTest server(&fake);
    server.manager.StartServer();

    RawWebSocketClient early(loopback(2));
    RawWebSocketClient late(loopback(3));
    RawWebSocketClient mute(loopback(4));
    QVERIFY(early.connectToServer(kLocal, kPort));
    QVERIFY(late.connectToServer(kLocal, kPort));
    QVERIFY(mute.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 3);

    const TimePoint start = fake.now;
    early.sendText(QByteArrayLiteral("{}"));
    QTRY_COMPARE(server.received.count(), 1);
    fake.now = start + std::chrono::seconds(2);
    late.sendText(QByteArrayLiteral("{}"));
    QTRY_COMPARE(server.received.count(), 2);

    fake.now = start + std::chrono::seconds(30);
    server.manager.CheckIdlePeers();
    QCOMPARE(server.disconnected.count(), 0);

    // 31 s after the early peer's data and the mute peer's opening, 29 s after the late peer's.
    fake.now = start + std::chrono::seconds(31);
    server.manager.CheckIdlePeers();
    QCOMPARE(server.disconnected.count(), 2);
    QCOMPARE(endPointOf(server.disconnected, 0).GetAddress(), loopback(2));
    QCOMPARE(endPointOf(server.disconnected, 1).GetAddress(), loopback(4));
    QCOMPARE(log.count(QtDebugMsg,
                       QRegularExpression(QStringLiteral(
                           "^Disconnecting endpoint \\[PeerEndPoint\\[Address=127\\.0\\.0\\.2,Port=\\d+\\]\\] because "
                           "of no activity for \\[310000000\\]$"))),
             1);
    QVERIFY(early.waitForDisconnected());
    QVERIFY(late.isOpen());
    // A peer that never said anything is silent since it opened: dropped all the same.
    QVERIFY(mute.waitForDisconnected());

    fake.now = start + std::chrono::hours(10);
    server.manager.CheckIdlePeers();
    QCOMPARE(server.disconnected.count(), 3);
    QCOMPARE(endPointOf(server.disconnected, 2).GetAddress(), loopback(3));
    QVERIFY(late.waitForDisconnected());
    QTest::qWait(50);
    // The drop was reported once; the closing connection adds no second report.
    QCOMPARE(server.disconnected.count(), 3);

    // The dropped peer comes back: its silence starts afresh.
    RawWebSocketClient back(loopback(2));
    QVERIFY(back.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 4);
    server.manager.CheckIdlePeers();
    QCOMPARE(server.disconnected.count(), 3);
}

// A connection left half-open (the phone lost its network right after the handshake)
// holds its address only up to the idle limit: then a new connection replaces it,
// even before the idle check has run.
void tst_SocketManager::halfOpenConnectionIsReplaced_data()
{
    QTest::addColumn<int>("silentSeconds");
    QTest::addColumn<bool>("spoke");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("never spoke, 10 s") << 10 << false << false;
    QTest::newRow("never spoke, 31 s") << 31 << false << true;
    QTest::newRow("spoke, then silent 29 s") << 29 << true << false;
    QTest::newRow("spoke, then silent 31 s") << 31 << true << true;
}

void tst_SocketManager::halfOpenConnectionIsReplaced()
{
    QFETCH(int, silentSeconds);
    QFETCH(bool, spoke);
    QFETCH(bool, replaced);
    FakeClock fake;
    ManagerUnderTest server(&fake);
    server.manager.StartServer();

    RawWebSocketClient stale(loopback(6));
    QVERIFY(stale.connectToServer(kLocal, kPort));
    QTRY_COMPARE(server.connected.count(), 1);
    if (spoke) {
        stale.sendText(QByteArrayLiteral("{}"));
        QTRY_COMPARE(server.received.count(), 1);
    }
    fake.now += std::chrono::seconds(silentSeconds);
    QCOMPARE(server.manager.SilenceOf(PeerEndPoint(loopback(6), 1)),
             std::optional<Ticks>(std::chrono::seconds(silentSeconds)));

    RawWebSocketClient fresh(loopback(6));
    fresh.open(kLocal, kPort);
    if (!replaced) {
        QVERIFY(fresh.waitForDisconnected());
        QCOMPARE(server.connected.count(), 1);
        QCOMPARE(server.disconnected.count(), 0);
        QVERIFY(stale.isOpen());
        return;
    }
    QTRY_COMPARE(server.connected.count(), 2);
    QCOMPARE(server.disconnected.count(), 1);
    QCOMPARE(endPointOf(server.disconnected, 0).GetPort(), endPointOf(server.connected, 0).GetPort());
    QVERIFY(stale.waitForDisconnected());
    // The server has taken it; the client may not have read the handshake's answer yet.
    QTRY_VERIFY(fresh.isOpen());
    fresh.sendText(QByteArrayLiteral("{\"from\":\"fresh\"}"));
    QTRY_COMPARE(server.received.count(), spoke ? 2 : 1);
    QCOMPARE(server.received.last().at(0).toByteArray(), QByteArrayLiteral("{\"from\":\"fresh\"}"));
}

void tst_SocketManager::idleTimerRunsTheCheck()
{
    FakeClock fake;
    ManagerUnderTest server(&fake);
    server.manager.SetIdleCheckInterval(std::chrono::milliseconds(10));
    server.manager.StartServer();
    RawWebSocketClient peer(loopback(2));
    QVERIFY(peer.connectToServer(kLocal, kPort));
    peer.sendText(QByteArrayLiteral("{}"));
    QTRY_COMPARE(server.received.count(), 1);
    QTest::qWait(50);
    QCOMPARE(server.disconnected.count(), 0);
    fake.now += std::chrono::seconds(31);
    QTRY_COMPARE(server.disconnected.count(), 1);
}

void tst_SocketManager::socketDroppedWhileDeliveringItsOwnData()
{
    // A receiver may drop the very connection whose data it is handling; the socket
    // must outlive the delivery (the sanitizer build catches a use after free).
    FakeClock fake;
    ManagerUnderTest server(&fake);
    connect(&server.manager, &SocketManager::DataReceived, this, [&](const QByteArray&, const PeerEndPoint&, bool) {
        fake.now += std::chrono::seconds(31);
        server.manager.CheckIdlePeers();
    });
    server.manager.StartServer();
    RawWebSocketClient peer(loopback(2));
    QVERIFY(peer.connectToServer(kLocal, kPort));
    peer.sendText(QByteArrayLiteral("{}"));
    peer.sendText(QByteArrayLiteral("{}"));
    QTRY_COMPARE(server.disconnected.count(), 1);
    QVERIFY(peer.waitForDisconnected());
    QTest::qWait(20);
    QCOMPARE(server.disconnected.count(), 1);
}

void tst_SocketManager::outgoingConnectionToNobodyIsRemovedQuietly()
{
    LogCapture log;
    ManagerUnderTest server;
    const PeerEndPoint nobody(loopback(6), kUnusedPort);
    server.manager.ConnectTo(nobody);
    QCOMPARE(log.count(QtDebugMsg,
                       QStringLiteral("Opening websocket to endpoint [PeerEndPoint[Address=127.0.0.6,Port=21209]]")),
             1);
    server.manager.ConnectTo(nobody);
    QCOMPARE(
        log.count(QtDebugMsg,
                  QStringLiteral(
                      "There is already a socket to PeerEndPoint[Address=127.0.0.6,Port=21209]: ConnectedSocket[")),
        1);
    QTRY_COMPARE(log.count(QtDebugMsg, QStringLiteral("Socket failed to connect, removing")), 1);
    QTest::qWait(20);
    QCOMPARE(server.connected.count(), 0);
    QCOMPARE(server.disconnected.count(), 0);

    // The entry is gone: a new attempt opens a new socket.
    server.manager.ConnectTo(nobody);
    QTRY_COMPARE(log.count(QtDebugMsg, QStringLiteral("Socket failed to connect, removing")), 2);
    QCOMPARE(server.disconnected.count(), 0);
}

void tst_SocketManager::outgoingConnectionCarriesDataBothWays()
{
    QWebSocketServer remoteServer(QStringLiteral("client-app"), QWebSocketServer::NonSecureMode);
    QVERIFY(remoteServer.listen(loopback(7), kRemotePort));
    std::unique_ptr<QWebSocket> remote;
    connect(&remoteServer, &QWebSocketServer::newConnection, this,
            [&] { remote.reset(remoteServer.nextPendingConnection()); });

    ManagerUnderTest server(nullptr, QStringLiteral("server-name"));
    const PeerEndPoint endPoint(loopback(7), kRemotePort);
    server.manager.ConnectTo(endPoint);
    QTRY_COMPARE(server.connected.count(), 1);
    QCOMPARE(endPointOf(server.connected, 0), endPoint);
    QTRY_VERIFY(remote != nullptr);
    QCOMPARE(remote->origin(), QStringLiteral("server-name"));

    QSignalSpy remoteText(remote.get(), &QWebSocket::textMessageReceived);
    server.manager.Send(QByteArrayLiteral("{\"out\":1}"), endPoint);
    QTRY_COMPARE(remoteText.count(), 1);
    remote->sendTextMessage(QStringLiteral("{\"in\":1}"));
    QTRY_COMPARE(server.received.count(), 1);
    QCOMPARE(server.received.at(0).at(1).value<PeerEndPoint>(), endPoint);
    QVERIFY(server.received.at(0).at(2).toBool());

    remote->close();
    QTRY_COMPARE(server.disconnected.count(), 1);
    QCOMPARE(endPointOf(server.disconnected, 0), endPoint);
}

void tst_SocketManager::secondServerOnTheSamePortReportsListenFailed()
{
    LogCapture log;
    SocketManager first(QStringLiteral("first"), kPort);
    first.StartServer();
    SocketManager second(QStringLiteral("second"), kPort);
    QSignalSpy errors(&second, &SocketManager::ErrorOccurred);
    second.StartServer();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<SocketError>(), SocketError::ListenFailed);
    QCOMPARE(log.count(QtWarningMsg, QStringLiteral("Could not listen")), 1);
}

void tst_SocketManager::datagramsFromListenersAreNotConnected()
{
    LogCapture log;
    SocketManager manager(QStringLiteral("client"), kPort);
    QSignalSpy received(&manager, &SocketManager::DataReceived);
    QSignalSpy errors(&manager, &SocketManager::ErrorOccurred);
    manager.AddListenerSocket(std::make_unique<NonConnectedSocket>(kPort, QStringLiteral("Listener")));
    manager.AddListenerSocket(std::make_unique<NonConnectedSocket>(kPort, QStringLiteral("Clash")));
    QCOMPARE(log.count(QtDebugMsg, QStringLiteral("Adding socket [NonConnectedSocket[Description=Listener,")), 1);
    manager.StartListeners();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<SocketError>(), SocketError::BindFailed);

    QUdpSocket sender;
    QVERIFY(sender.bind(loopback(8), 5555));
    sender.writeDatagram(QByteArrayLiteral("{\"d\":1}"), kLocal, kPort);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(1).value<PeerEndPoint>().GetAddress(), loopback(8));
    QCOMPARE(received.at(0).at(1).value<PeerEndPoint>().GetPort(), std::optional<quint16>(kPort));
    QCOMPARE(received.at(0).at(2).toBool(), false);
}

void tst_SocketManager::nonConnectedHelloMakesThePeerConnect()
{
    ManagerUnderTest server;
    server.manager.StartServer();

    TestPeer peer(QStringLiteral("0123456789abcdef0123456789abcdef"), loopback(9));
    QVERIFY(peer.bindUdp(kPort));
    peer.setAnswerHello(kPort);

    const auto hello = serverHello(7);
    QVERIFY(hello.has_value());
    // The endpoint's port is not used: datagrams go to the manager's own port.
    server.manager.SendNonConnected(*hello, PeerEndPoint(loopback(9), 1));
    const TestPeer::Received* received = peer.waitForMessage(MessageType_e::Hello);
    QVERIFY(received);
    QCOMPARE(received->header.sender, kServerSender);
    QCOMPARE(received->header.sequenceId, quint64(7));
    QVERIFY(!received->overWebSocket);

    QTRY_COMPARE(server.connected.count(), 1);
    QCOMPARE(endPointOf(server.connected, 0).GetAddress(), loopback(9));
    QTRY_VERIFY(peer.isConnected());

    // Over the connection both ways, envelopes built by the codec.
    QSignalSpy data(&server.manager, &SocketManager::DataReceived);
    peer.send(Message_Hello(peer.sender().id));
    QTRY_COMPARE(data.count(), 1);
    const auto parsed = MessageCodec().Parse(data.at(0).at(0).toByteArray());
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->first.sender, peer.sender());
    server.manager.Send(*hello, PeerEndPoint(loopback(9), kPort));
    QVERIFY(peer.waitForMessage(MessageType_e::Hello));
    QVERIFY(peer.received().back()->overWebSocket);
    QVERIFY(peer.disconnectFromServer());
}

void tst_SocketManager::broadcastHelloReachesEveryPeer()
{
    ManagerUnderTest server;
    server.manager.StartServer();
    TestPeer first(QStringLiteral("11111111111111111111111111111111"), loopback(20));
    TestPeer second(QStringLiteral("22222222222222222222222222222222"), loopback(21));
    for (TestPeer* peer : {&first, &second}) {
        QVERIFY(peer->bindUdp(kPort));
        peer->setAnswerHello(kPort);
        if (!peer->hearsBroadcasts())
            QSKIP("The loopback broadcast address cannot be bound here");
    }
    server.manager.Broadcast(*serverHello(1));
    if (!first.waitForMessage(MessageType_e::Hello, 1000))
        QSKIP("No interface here has a broadcast address that reaches loopback");
    QVERIFY(second.waitForMessage(MessageType_e::Hello));
    QTRY_COMPARE(server.connected.count(), 2);
    QTRY_VERIFY(first.isConnected() && second.isConnected());
}

void tst_SocketManager::hostileInputLeavesOtherPeersServed()
{
    LogCapture log;
    ManagerUnderTest server;
    server.manager.StartServer();

    RawWebSocketClient good(loopback(2));
    QVERIFY(good.connectToServer(kLocal, kPort));

    // Garbage instead of a handshake, and a handshake that never ends.
    QTcpSocket garbage;
    garbage.bind(loopback(10), 0);
    garbage.connectToHost(kLocal, kPort);
    QVERIFY(garbage.waitForConnected(2000));
    garbage.write(QByteArray(4096, '\x01') + "\r\n\r\n");
    RawWebSocketClient halfOpen(loopback(11));
    QVERIFY(halfOpen.connectTcpOnly(kLocal, kPort));
    halfOpen.sendRaw("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n");

    // Binary frames, invalid UTF-8 and an oversize frame over open connections.
    RawWebSocketClient binary(loopback(12));
    QVERIFY(binary.connectToServer(kLocal, kPort));
    binary.sendBinary(QByteArray(1000, '\0'));
    RawWebSocketClient badText(loopback(13));
    QVERIFY(badText.connectToServer(kLocal, kPort));
    badText.sendText(QByteArray("\xff\xfe{}", 4));
    RawWebSocketClient huge(loopback(14));
    QVERIFY(huge.connectToServer(kLocal, kPort));
    huge.sendFrame(RawWebSocketClient::Text, QByteArray(), true, qint64(1) << 40);
    QVERIFY(huge.waitForDisconnected());
    QVERIFY(badText.waitForDisconnected());
    QTRY_COMPARE(log.count(QtWarningMsg, QStringLiteral("refused an incoming message or frame larger than")), 1);

    good.sendText(QByteArrayLiteral("{\"still\":\"served\"}"));
    QTRY_COMPARE(server.received.count(), 1);
    QCOMPARE(server.received.at(0).at(0).toByteArray(), QByteArrayLiteral("{\"still\":\"served\"}"));
    QCOMPARE(server.received.at(0).at(1).value<PeerEndPoint>().GetAddress(), loopback(2));
    QVERIFY(binary.isOpen());
    QCOMPARE(server.connected.count(), 4);
}

void tst_SocketManager::disconnectInMidMessageIsAPlainDisconnect()
{
    ManagerUnderTest server;
    server.manager.StartServer();
    RawWebSocketClient cut(loopback(2));
    QVERIFY(cut.connectToServer(kLocal, kPort));
    // Half a frame's payload, then the line drops.
    cut.sendFrame(RawWebSocketClient::Text, QByteArrayLiteral("{\"half\":"), true, 64);
    QTest::qWait(20);
    cut.abort();
    QTRY_COMPARE(server.disconnected.count(), 1);
    QCOMPARE(server.received.count(), 0);

    RawWebSocketClient next(loopback(2));
    QVERIFY(next.connectToServer(kLocal, kPort));
    next.sendText(QByteArrayLiteral("{}"));
    QTRY_COMPARE(server.received.count(), 1);
}

QTEST_GUILESS_MAIN(tst_SocketManager)
#include "tst_socketmanager.moc"
