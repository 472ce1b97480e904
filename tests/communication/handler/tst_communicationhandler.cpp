#include "HandlerTestSupport.h"
#include "TestPeer.h"

#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "device/LocalNetworkDevice.h"

#include <QJsonObject>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::LogCapture;
using tessivar::test::ServerUnderTest;
using tessivar::test::TestPeer;

namespace {

const QString kPhoneId = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kTabletId = QStringLiteral("fedcba9876543210fedcba9876543210");
// A fixed "now" for the connection records: 2023-11-14T22:13:20Z.
const network::TimePoint kNow{std::chrono::seconds(1700000000)};

QList<quint64> sequenceIds(const QSignalSpy& spy)
{
    QList<quint64> ids;
    for (const QList<QVariant>& arguments : spy)
        ids.append(arguments.at(0).value<MessageReception>().GetSequenceId());
    return ids;
}

int deviceCount(ServerUnderTest& server)
{
    return server.devices->GetDeviceCount();
}

} // namespace

// The communication handler of a server between test peers on loopback links (datagrams
// and the listening server on real sockets) and the real device manager: who a message
// is attributed to, what is dropped, what is stored.
class TestCommunicationHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<ServerUnderTest>();
        QVERIFY(m_server->folder->isValid());
        QVERIFY(m_server->port != 0);
    }

    void cleanup() { m_server.reset(); }

    // Self messages, other servers and garbage are dropped before any device exists;
    // the same connection then still serves a proper client.
    void dropsSelfOtherServersAndGarbage()
    {
        start();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        TestPeer peer(kPhoneId);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));

        peer.sender().id = m_server->configuration->DeviceId();
        peer.send(Message_Hello(peer.sender().id));
        peer.sender().id = kTabletId;
        peer.sender().applicationType = device::ApplicationType_e::Server;
        peer.send(Message_Hello(peer.sender().id));
        peer.link().sendText("not json at all");
        peer.link().sendText("{\"header.v1\":{\"Sender\":{}}}");
        peer.link().sendBinary("binary frames are not listened to");
        peer.sender().id = kPhoneId;
        peer.sender().applicationType = device::ApplicationType_e::Client;
        peer.send(Message_Hello(kPhoneId));

        QVERIFY(received.wait());
        QCOMPARE(received.size(), 1);
        QCOMPARE(deviceCount(*m_server), 1);
        QVERIFY(m_server->devices->GetDevice(kPhoneId) != nullptr);
        QVERIFY(m_server->devices->GetDevice(kTabletId) == nullptr);
        QCOMPARE(log.count(QStringLiteral("Ignoring message from self device")), 1);
        QCOMPARE(log.count(QStringLiteral("because it is of application type [Server]")), 1);
        QCOMPARE(log.count(QStringLiteral("Invalid message received from endpoint [")), 2);
    }

    // The first message of an unknown id creates one device of the sender's type; the
    // next one reuses it; both are delivered with that device as sender.
    void firstContactCreatesExactlyOneDevice()
    {
        start();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        TestPeer peer(kPhoneId);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));
        const quint64 first = peer.send(Message_Hello(kPhoneId));
        const quint64 second = peer.send(Message_Hello(kPhoneId));
        QTRY_COMPARE(received.size(), 2);

        QCOMPARE(deviceCount(*m_server), 1);
        device::IDevice* phone = m_server->devices->GetDevice(kPhoneId);
        QCOMPARE(phone->GetApplicationType(), device::ApplicationType_e::Client);
        QCOMPARE(phone->GetName(), peer.sender().name);
        QCOMPARE(phone->GetVersion(), QVersionNumber(1, 0, 0));
        QCOMPARE(sequenceIds(received), (QList<quint64>{first, second}));
        for (const QList<QVariant>& arguments : received) {
            const MessageReception reception = arguments.at(0).value<MessageReception>();
            QCOMPARE(&reception.GetSender(), phone);
            QCOMPARE(reception.GetMessage().GetType(), MessageType_e::Hello);
            QVERIFY(!reception.HasResponseTo());
        }
    }

    // A peer that connects before saying anything waits; its first message attributes
    // the connection, and the record is in the settings file at once.
    void pendingPeerAttributedByFirstMessage()
    {
        start();
        QSignalSpy connected(&m_server->handler->GetSocketManager(), &network::SocketManager::PeerConnected);
        TestPeer peer(kPhoneId);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(deviceCount(*m_server), 0);
        QVERIFY(m_server->storedConnections().isEmpty());

        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        peer.send(Message_Hello(kPhoneId));
        QVERIFY(received.wait());
        device::IDevice* phone = m_server->devices->GetDevice(kPhoneId);
        QVERIFY(phone->IsConnected());
        QCOMPARE(phone->GetAddress(), QHostAddress(QStringLiteral("127.0.0.2")));

        const QJsonArray stored = m_server->storedConnections();
        QCOMPARE(stored.size(), 1);
        const QJsonObject record = stored.at(0).toObject();
        QCOMPARE(record.value(QStringLiteral("DeviceId")).toString(), kPhoneId);
        QCOMPARE(record.value(QStringLiteral("LastKnownEndPointUrl")).toString(),
                 QStringLiteral("ws://127.0.0.2:%1").arg(peer.link().localPort()));
        QCOMPARE(record.value(QStringLiteral("LastOnlineTimeStampSeconds")).toInteger(), 1700000000);
        QCOMPARE(record.size(), 3);

        // The disconnect marks device and record inactive; the record stays.
        QVERIFY(peer.disconnectFromServer());
        QTRY_VERIFY(!phone->IsConnected());
        QVERIFY(m_server->handler->GetDeviceConnectionList().FindInactiveEndPoint(kPhoneId).has_value());
        QCOMPARE(m_server->storedConnections().size(), 1);
    }

    // A device added by hand by its address takes the id of the first message from
    // that address, and the connection from there is recorded under that id.
    void deviceAddedByHandTakesSenderId()
    {
        const QHostAddress tabletAddress(QStringLiteral("127.0.0.6"));
        device::IDevice& byHand
            = m_server->devices->AddDevice(std::make_unique<device::LocalNetworkDevice>(tabletAddress));
        start();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        TestPeer peer(kTabletId, tabletAddress);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));
        peer.send(Message_Hello(kTabletId));
        QVERIFY(received.wait());

        QCOMPARE(deviceCount(*m_server), 1);
        QCOMPARE(byHand.GetId(), kTabletId);
        QVERIFY(byHand.IsConnected());
        QCOMPARE(&received.at(0).at(0).value<MessageReception>().GetSender(), &byHand);
        const QJsonArray stored = m_server->storedConnections();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.at(0).toObject().value(QStringLiteral("DeviceId")).toString(), kTabletId);
    }

    // A device removed while connected leaves no active record behind when its
    // connection ends.
    void disconnectAfterRemovalClosesRecord()
    {
        start();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        TestPeer peer(kPhoneId);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));
        peer.send(Message_Hello(kPhoneId));
        QVERIFY(received.wait());
        QVERIFY(m_server->handler->GetDeviceConnectionList().FindActiveEndPoint(kPhoneId).has_value());

        m_server->devices->RemoveDevice(kPhoneId);
        QVERIFY(peer.disconnectFromServer());
        QTRY_VERIFY(m_server->handler->GetDeviceConnectionList().FindInactiveEndPoint(kPhoneId).has_value());
        QVERIFY(!m_server->handler->GetDeviceConnectionList().FindActiveEndPoint(kPhoneId).has_value());
    }

    // Datagrams (through a listening socket on the server's port): older or repeated
    // sequence ids are dropped, a connection takes over, and after its end a fresh
    // sequence check starts.
    void datagramSequenceCheckUntilReconnect()
    {
        m_server->startWithDatagrams();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        const QHostAddress phoneAddress(QStringLiteral("127.0.0.3"));
        TestPeer peer(kPhoneId, phoneAddress);
        onLoopback(peer);
        const Message_Hello hello(kPhoneId);

        for (const quint64 sequenceId : {5, 5, 4, 6, 7})
            peer.sendDatagram(hello, m_server->port, QHostAddress::LocalHost, sequenceId);
        QTRY_COMPARE(received.size(), 3);
        QCOMPARE(sequenceIds(received), (QList<quint64>{5, 6, 7}));
        QCOMPARE(log.count(QStringLiteral("already processed, ignoring")), 2);

        // The connection from the address that sent datagrams belongs to that device at once.
        QVERIFY(peer.connectToServer(m_server->port));
        device::IDevice* phone = m_server->devices->GetDevice(kPhoneId);
        QTRY_VERIFY(phone->IsConnected());
        QCOMPARE(log.count(QStringLiteral("Device has already sent non-connected data")), 1);
        peer.sendDatagram(hello, m_server->port, QHostAddress::LocalHost, 100);
        QTRY_COMPARE(log.count(QStringLiteral("already connected. Ignoring non-connected message.")), 1);
        QCOMPARE(received.size(), 3);

        QVERIFY(peer.disconnectFromServer());
        QTRY_VERIFY(!phone->IsConnected());
        received.clear();
        for (const quint64 sequenceId : {1, 1, 2})
            peer.sendDatagram(hello, m_server->port, QHostAddress::LocalHost, sequenceId);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(sequenceIds(received), (QList<quint64>{1, 2}));
        QCOMPARE(deviceCount(*m_server), 1);
    }

    // A known device without a connection gets nothing, unless the emission allows a
    // datagram to its address; a connected one gets its messages over the WebSocket.
    void deliveryByConnectionOrDatagram()
    {
        const QHostAddress tabletAddress(QStringLiteral("127.0.0.4"));
        m_server->devices->AddDevice(std::make_unique<device::LocalNetworkDevice>(kTabletId, tabletAddress));
        start();
        QUdpSocket tablet;
        QVERIFY(tablet.bind(tabletAddress, m_server->port));
        LogCapture log;
        MessageEmissionBuilderFactory factory(m_server->configuration->DeviceId());

        m_server->handler->SendMessage(*factory.CreateHelloMessage(kTabletId).Build());
        QCOMPARE(log.count(QStringLiteral("No active endpoint found for device, ignoring")), 1);
        m_server->handler->SendMessage(*factory.CreateHelloMessage(kTabletId).AllowNonConnected().Build());
        QTRY_VERIFY(tablet.hasPendingDatagrams());
        const QNetworkDatagram datagram = tablet.receiveDatagram();
        const auto parsed = MessageCodec().Parse(datagram.data());
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->first.sequenceId, quint64(1)); // the first one never left
        QCOMPARE(parsed->first.sender.id, m_server->configuration->DeviceId());
        QCOMPARE(parsed->first.sender.applicationType, device::ApplicationType_e::Server);

        m_server->handler->SendMessage(*factory.CreateHelloMessage(QStringLiteral("nobody")).Build());
        QCOMPARE(log.count(QStringLiteral("] to unknown device [nobody]. The message will not be sent.")), 1);

        TestPeer phone(kPhoneId);
        onLoopback(phone);
        QVERIFY(phone.connectToServer(m_server->port));
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        phone.send(Message_Hello(kPhoneId));
        QVERIFY(received.wait());
        m_server->handler->SendMessage(
            *factory.CreateNotificationMessage(QStringLiteral("Hi"), 1500, kPhoneId).Build());
        const TestPeer::Received* notification = phone.waitForMessage(MessageType_e::Notification);
        QVERIFY(notification);
        QVERIFY(notification->overWebSocket);
        QCOMPARE(static_cast<const Message_Notification&>(*notification->message).GetText(), QStringLiteral("Hi"));
        QVERIFY(!tablet.hasPendingDatagrams());
    }

    void secondServerOnSamePortReportsPortInUse()
    {
        startListening();
        ServerUnderTest second;
        second.port = m_server->port;
        second.createHandler();
        QSignalSpy errors(second.handler.get(), &ICommunicationHandler::NetworkErrorOccurred);
        LogCapture log;
        second.handler->Start();
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Port %1 is already in use").arg(m_server->port));
        QCOMPARE(log.count(QStringLiteral("Could not listen")), 1);
    }

    // Out of file descriptors, the server cannot listen, and the user reads that reason,
    // not a port conflict that is not there.
    void aListenFailureOtherThanPortInUseSaysWhy()
    {
        ServerUnderTest server;
        server.createHandler();
        server.handler->AddListenerSocket(
            std::make_unique<communication::network::NonConnectedSocket>(server.port, QStringLiteral("Listener")));
        QSignalSpy errors(server.handler.get(), &ICommunicationHandler::NetworkErrorOccurred);
        LogCapture log;
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        // A new descriptor takes the lowest free number: with the limit there, none is left.
        const int lowestFree = ::open("/dev/null", O_RDONLY);
        QVERIFY(lowestFree >= 0);
        ::close(lowestFree);
        tight.rlim_cur = static_cast<rlim_t>(lowestFree);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
        server.handler->Start();
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
        QTRY_VERIFY2(!errors.isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
        QStringList texts;
        for (const QList<QVariant>& error : errors)
            texts.append(error.at(0).toString());
        const QString prefix = QStringLiteral("Port %1 cannot be opened: ").arg(server.port);
        QVERIFY2(std::any_of(texts.cbegin(), texts.cend(),
                             [&prefix](const QString& text) { return text.startsWith(prefix); }),
                 qPrintable(texts.join(QLatin1Char('\n'))));
        // The datagram socket fails for the same reason, and says so too.
        QVERIFY2(texts.filter(QStringLiteral("already in use")).isEmpty(), qPrintable(texts.join(QLatin1Char('\n'))));
        QCOMPARE(log.count(QStringLiteral("Could not listen")), 1);
    }

    // At start only the records of devices the manager holds stay; the next save
    // writes the list without the others.
    void startKeepsOnlyKnownDevices()
    {
        const QHostAddress phoneAddress(QStringLiteral("127.0.0.5"));
        m_server->devices->AddDevice(std::make_unique<device::LocalNetworkDevice>(kPhoneId, phoneAddress));
        const QByteArray stored
            = QStringLiteral("[{\"DeviceId\": \"%1\", \"LastKnownEndPointUrl\": \"ws://127.0.0.9:20948\","
                             " \"LastOnlineTimeStampSeconds\": 12},"
                             " {\"DeviceId\": \"%2\", \"LastKnownEndPointUrl\": \"ws://127.0.0.5:20948\","
                             " \"LastOnlineTimeStampSeconds\": 1600000000}]")
                  .arg(kTabletId, kPhoneId)
                  .toUtf8();
        m_server->configuration->setDeviceConnections(stored);
        start();

        const std::vector<DeviceConnectionData_t>& kept = m_server->handler->GetDeviceConnectionList().GetConnections();
        QCOMPARE(kept.size(), size_t(1));
        QCOMPARE(kept.front().DeviceId, kPhoneId);
        QCOMPARE(kept.front().LastOnline, network::TimePoint(std::chrono::seconds(1600000000)));
        QVERIFY(!kept.front().Active);
        QCOMPARE(m_server->storedConnections().size(), 2); // nothing written yet

        // The saved connection attributes the new one before any message.
        LogCapture log;
        TestPeer peer(kPhoneId, phoneAddress);
        onLoopback(peer);
        QVERIFY(peer.connectToServer(m_server->port));
        device::IDevice* phone = m_server->devices->GetDevice(kPhoneId);
        QTRY_VERIFY(phone->IsConnected());
        QCOMPARE(log.count(QStringLiteral("Device has saved connection data")), 1);
        const QJsonArray written = m_server->storedConnections();
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).toObject().value(QStringLiteral("DeviceId")).toString(), kPhoneId);
        QCOMPARE(written.at(0).toObject().value(QStringLiteral("LastKnownEndPointUrl")).toString(),
                 QStringLiteral("ws://127.0.0.5:%1").arg(peer.link().localPort()));
    }

    // A flood of invented ids from one address costs that address only: its oldest
    // unregistered devices are forgotten (with what was kept for them), memory stays
    // bounded, and a well-behaved peer elsewhere is still served and kept.
    void unknownDeviceFloodIsBounded()
    {
        m_server->startWithDatagrams();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        TestPeer flood(kPhoneId, QHostAddress(QStringLiteral("127.0.0.9")));
        onLoopback(flood);
        TestPeer good(kTabletId, QHostAddress(QStringLiteral("127.0.0.10")));
        onLoopback(good);
        constexpr int kFlood = 10000;
        const int perAddress = CommunicationHandler::kMaximumUnregisteredDevicesPerAddress;
        QUdpSocket out;
        QVERIFY(out.bind(flood.address(), 0));
        const MessageCodec codec;
        for (int i = 0; i < kFlood; ++i) {
            if (i == kFlood / 2) {
                QVERIFY(good.connectToServer(m_server->port));
                good.send(Message_Hello(kTabletId));
            }
            flood.sender().id = QStringLiteral("%1").arg(i, 32, 16, QLatin1Char('0'));
            out.writeDatagram(*codec.Serialize(Message_Hello(flood.sender().id), 1, std::nullopt, flood.sender()),
                              QHostAddress::LocalHost, m_server->port);
            if (i % 50 == 0)
                QCoreApplication::processEvents(); // within what the loopback buffer holds
        }
        // The last of the flood is heard, whatever the loopback dropped on the way.
        QTRY_VERIFY(m_server->devices->GetDevice(flood.sender().id) != nullptr);
        QTRY_VERIFY(m_server->devices->GetDevice(kTabletId) != nullptr);
        QVERIFY(m_server->devices->GetDevice(kTabletId)->IsConnected());
        QCOMPARE(deviceCount(*m_server), perAddress + 1);
        QCOMPARE(m_server->handler->GetTrackedDatagramSenderCount(), size_t(perAddress));
        QVERIFY(received.size() > kFlood / 2); // the flood was heard, not lost on the way
        QVERIFY(log.count(QStringLiteral("Too many unregistered devices, forgetting device [")) <= 2);

        // A registered device no longer counts, and the flood's next id still gets in.
        m_server->devices->GetDevice(flood.sender().id)
            ->Register(QStringLiteral("Phone"), device::ApplicationType_e::Client, QVersionNumber(1, 0));
        flood.sender().id = QStringLiteral("next");
        flood.sendDatagram(Message_Hello(flood.sender().id), m_server->port, QHostAddress::LocalHost, 1);
        QTRY_VERIFY(m_server->devices->GetDevice(QStringLiteral("next")) != nullptr);
        QCOMPARE(deviceCount(*m_server), perAddress + 2);
    }

    // A connection speaks for the device it belongs to and for no other: a message on it
    // that claims another id, known or new, is dropped.
    void connectionSpeaksOnlyForItsDevice()
    {
        start();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        TestPeer phone(kPhoneId, QHostAddress(QStringLiteral("127.0.0.2")));
        onLoopback(phone);
        TestPeer tablet(kTabletId, QHostAddress(QStringLiteral("127.0.0.3")));
        onLoopback(tablet);
        QVERIFY(phone.connectToServer(m_server->port));
        QVERIFY(tablet.connectToServer(m_server->port));
        phone.send(Message_Hello(kPhoneId));
        tablet.send(Message_Hello(kTabletId));
        QTRY_COMPARE(received.size(), 2);

        tablet.sender().id = kPhoneId;
        tablet.send(Message_BlockList({}));
        tablet.send(Message_DeleteBlock(3));
        tablet.sender().id = QStringLiteral("a-brand-new-id");
        tablet.send(Message_Hello(tablet.sender().id));
        phone.send(Message_BlockList({}));
        QTRY_COMPARE(received.size(), 3);
        const MessageReception last = received.at(2).at(0).value<MessageReception>();
        QCOMPARE(last.GetSenderId(), kPhoneId);
        QCOMPARE(last.GetMessage().GetType(), MessageType_e::ModuleList);
        QVERIFY(last.IsOverOwnConnection());
        QCOMPARE(log.count(QStringLiteral("] belongs to device [%1]").arg(kTabletId)), 3);
        QCOMPARE(deviceCount(*m_server), 2);
        QCOMPARE(m_server->handler->GetDeviceConnectionList().FindActiveEndPoint(kPhoneId)->GetAddress(),
                 phone.address());
    }

    // While the phone's own connection answers, another connection cannot speak for it;
    // once it missed three greetings, the phone may come back over a new one (it changed
    // networks), and the old connection is closed.
    void newConnectionTakesOverOnlyASilentDevice_data()
    {
        QTest::addColumn<int>("silenceMs");
        QTest::addColumn<bool>("takesOver");
        QTest::newRow("answering") << 0 << false;
        QTest::newRow("two greetings missed") << 5900 << false;
        QTest::newRow("three greetings missed") << 6100 << true;
    }

    void newConnectionTakesOverOnlyASilentDevice()
    {
        QFETCH(int, silenceMs);
        QFETCH(bool, takesOver);
        network::TimePoint now = kNow;
        start();
        m_server->handler->GetSocketManager().SetClock([&now] { return now; });
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        TestPeer phone(kPhoneId, QHostAddress(QStringLiteral("127.0.0.2")));
        onLoopback(phone);
        QVERIFY(phone.connectToServer(m_server->port));
        phone.send(Message_Hello(kPhoneId));
        QTRY_COMPARE(received.size(), 1);

        now += std::chrono::milliseconds(silenceMs);
        TestPeer moved(kPhoneId, QHostAddress(QStringLiteral("127.0.0.7")));
        onLoopback(moved);
        QVERIFY(moved.connectToServer(m_server->port));
        moved.send(Message_BlockList({}));
        moved.send(Message_Hello(kPhoneId));
        const auto& connections = m_server->handler->GetDeviceConnectionList();
        if (!takesOver) {
            phone.send(Message_Hello(kPhoneId));
            QTRY_COMPARE(received.size(), 2);
            QCOMPARE(log.count(QStringLiteral("dropped: the device is connected over [")), 2);
            QVERIFY(phone.isConnected());
            QCOMPARE(connections.FindActiveEndPoint(kPhoneId)->GetAddress(), phone.address());
            return;
        }
        QTRY_COMPARE(received.size(), 3);
        QVERIFY(phone.waitForDisconnected());
        QCOMPARE(log.count(QStringLiteral("moved from [")), 1);
        QCOMPARE(connections.FindActiveEndPoint(kPhoneId)->GetAddress(), moved.address());
        QVERIFY(received.at(1).at(0).value<MessageReception>().IsOverOwnConnection());
        QVERIFY(m_server->devices->GetDevice(kPhoneId)->IsConnected());
        QCOMPARE(deviceCount(*m_server), 1);
    }

    // Datagrams may greet, never delete or replace what is stored; and a connection given
    // to a device by its address alone belongs to whoever first speaks over it.
    void datagramsNeverChangeStoredState()
    {
        m_server->startWithDatagrams();
        QSignalSpy received(m_server->handler.get(), &ICommunicationHandler::MessageReceived);
        LogCapture log;
        const QHostAddress address(QStringLiteral("127.0.0.3"));
        TestPeer phone(kPhoneId, address);
        onLoopback(phone);
        phone.sendDatagram(Message_Hello(kPhoneId), m_server->port, QHostAddress::LocalHost, 1);
        phone.sendDatagram(Message_BlockList({}), m_server->port, QHostAddress::LocalHost, 2);
        phone.sendDatagram(Message_DeleteBlock(3), m_server->port, QHostAddress::LocalHost, 3);
        phone.sendDatagram(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 3, 0), m_server->port,
                           QHostAddress::LocalHost, 4);
        phone.sendDatagram(Message_Hello(kPhoneId), m_server->port, QHostAddress::LocalHost, 5);
        QTRY_COMPARE(received.size(), 2);
        QVERIFY(!received.at(0).at(0).value<MessageReception>().IsOverOwnConnection());
        QCOMPARE(log.count(QStringLiteral("dropped: only the device's own connection may send it")), 3);

        // Another device connects from that address: it is taken for the phone until it speaks.
        TestPeer tablet(kTabletId, address);
        onLoopback(tablet);
        QVERIFY(tablet.connectToServer(m_server->port));
        device::IDevice* phoneDevice = m_server->devices->GetDevice(kPhoneId);
        QTRY_VERIFY(phoneDevice->IsConnected());
        tablet.send(Message_BlockList({}));
        QTRY_COMPARE(received.size(), 3);
        const MessageReception reception = received.at(2).at(0).value<MessageReception>();
        QCOMPARE(reception.GetSenderId(), kTabletId);
        QVERIFY(reception.IsOverOwnConnection());
        QVERIFY(!phoneDevice->IsConnected());
        QCOMPARE(m_server->handler->GetDeviceConnectionList().FindActiveDevice(network::PeerEndPoint(address, 1)),
                 std::optional<NetworkDeviceId_t>(kTabletId));
    }

private:
    // The peers speak over loopback links, which need no listening socket.
    void start()
    {
        m_server->createHandler();
        m_server->handler->SetClock([] { return kNow; });
    }

    void startListening()
    {
        start();
        m_server->handler->Start();
    }

    void onLoopback(TestPeer& peer) { peer.useLoopback(m_server->handler->GetSocketManager()); }

    std::unique_ptr<ServerUnderTest> m_server;
};

QTEST_GUILESS_MAIN(TestCommunicationHandler)
#include "tst_communicationhandler.moc"
