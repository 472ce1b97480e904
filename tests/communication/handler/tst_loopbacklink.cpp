#include "LoopbackLink.h"

#include "communication/network/SocketManager.h"

#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication::network;
using tessivar::test::LoopbackSocket;

namespace {

const PeerEndPoint kPhone(QHostAddress(QStringLiteral("127.0.0.2")), 40001);
const PeerEndPoint kServer(QHostAddress(QStringLiteral("127.0.0.1")), 20948);

} // namespace

// The loopback link on which the handler and flow tests run: it must carry messages
// and ends as a WebSocket does, and go through the socket manager's limits and
// time-outs like one.
class TestLoopbackLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesArriveQueuedInOrder()
    {
        auto [phone, server] = LoopbackSocket::createPair(kPhone, kServer);
        QCOMPARE(server->GetPeerEndPoint().GetAddress(), kPhone.GetAddress());
        QCOMPARE(server->GetPeerEndPoint().GetPort(), kPhone.GetPort());
        QCOMPARE(phone->GetPeerEndPoint().GetAddress(), kServer.GetAddress());
        QSignalSpy received(server.get(), &IConnectedSocket::DataReceived);
        phone->Send("one");
        phone->SendBinary("binary frames are not listened to");
        phone->Send("two");
        QCOMPARE(received.size(), 0); // never inside the sender's call
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("one"));
        QCOMPARE(received.at(1).at(0).toByteArray(), QByteArray("two"));
    }

    void anEndIsSeenByBoth_data()
    {
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("closed") << false;
        QTest::newRow("destroyed") << true;
    }

    void anEndIsSeenByBoth()
    {
        QFETCH(bool, destroyed);
        auto [phone, server] = LoopbackSocket::createPair(kPhone, kServer);
        QSignalSpy phoneGone(phone.get(), &IConnectedSocket::Disconnected);
        QSignalSpy serverGone(server.get(), &IConnectedSocket::Disconnected);
        QSignalSpy received(server.get(), &IConnectedSocket::DataReceived);
        phone->Send("last words");
        if (destroyed)
            phone.reset();
        else
            phone->Close();
        QTRY_COMPARE(serverGone.size(), 1);
        QCOMPARE(received.size(), 1); // what was sent before the end still arrives
        QVERIFY(!server->IsOpen());
        if (!destroyed) {
            QTRY_COMPARE(phoneGone.size(), 1);
            phone->Send("after the end");
        }
        QTest::qWait(10);
        QCOMPARE(received.size(), 1);
        QCOMPARE(serverGone.size(), 1);
    }

    // Taken by the socket manager as an accepted connection, a loopback peer is reported,
    // heard from its own address, held to the budget of untrusted peers and dropped
    // when it falls silent.
    void socketManagerTreatsItAsAConnection_data()
    {
        QTest::addColumn<bool>("flood");
        QTest::newRow("silent peer dropped by the idle check") << false;
        QTest::newRow("untrusted flood closed") << true;
    }

    void socketManagerTreatsItAsAConnection()
    {
        QFETCH(bool, flood);
        SocketManager manager(QStringLiteral("Test server"), 0);
        TimePoint now{std::chrono::seconds(1700000000)};
        manager.SetClock([&now] { return now; });
        QSignalSpy connected(&manager, &SocketManager::PeerConnected);
        QSignalSpy data(&manager, &SocketManager::DataReceived);
        QSignalSpy gone(&manager, &SocketManager::PeerDisconnected);
        auto [phone, server] = LoopbackSocket::createPair(kPhone, kServer);
        QSignalSpy phoneGone(phone.get(), &IConnectedSocket::Disconnected);
        manager.Accept(std::move(server));
        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected.at(0).at(0).value<PeerEndPoint>().GetAddress(), kPhone.GetAddress());

        const int messages = flood ? IConnectedSocket::kMaximumUntrustedMessagesPerSecond + 5 : 1;
        for (int i = 0; i < messages; ++i)
            phone->Send("{}");
        QTRY_VERIFY(!data.isEmpty());
        QCOMPARE(data.at(0).at(1).value<PeerEndPoint>().GetAddress(), kPhone.GetAddress());
        QCOMPARE(data.at(0).at(2).toBool(), true);
        if (!flood) {
            now += std::chrono::seconds(31);
            manager.CheckIdlePeers();
            QCOMPARE(gone.size(), 1);
        }
        QTRY_COMPARE(phoneGone.size(), 1);
        QTRY_COMPARE(gone.size(), 1);
        QCOMPARE(data.size(), flood ? IConnectedSocket::kMaximumUntrustedMessagesPerSecond : 1);
    }
};

QTEST_GUILESS_MAIN(TestLoopbackLink)
#include "tst_loopbacklink.moc"
