#include "TestPeer.h"

#include "LoopbackPeerLink.h"

#include "communication/MessageType.h"

#include <QNetworkDatagram>
#include <QTest>

namespace tessivar::test {

using communication::IMessage;
using communication::MessageType_e;

TestPeer::TestPeer(const QString& deviceId, const QHostAddress& address, QObject* parent)
    : QObject(parent)
    , m_address(address)
    , m_connection(address)
{
    m_sender.id = deviceId;
    m_sender.name = QStringLiteral("Test peer ") + address.toString();
    m_sender.softwareVersion = QVersionNumber(1, 0, 0);
    m_sender.applicationType = device::ApplicationType_e::Client;
    useLink(m_connection);
    connect(&m_udp, &QUdpSocket::readyRead, this, [this] { onDatagrams(m_udp); });
    connect(&m_broadcastUdp, &QUdpSocket::readyRead, this, [this] { onDatagrams(m_broadcastUdp); });
}

TestPeer::~TestPeer() = default;

void TestPeer::useLink(PeerLink& link)
{
    if (m_link)
        m_link->disconnect(this);
    m_link = &link;
    connect(m_link, &PeerLink::textMessageReceived, this,
            [this](const QByteArray& data) { onData(data, true, QHostAddress()); });
    connect(m_link, &PeerLink::connected, this, &TestPeer::connected);
    connect(m_link, &PeerLink::disconnected, this, &TestPeer::disconnected);
}

void TestPeer::useLoopback(communication::network::SocketManager& server)
{
    m_loopback = std::make_unique<LoopbackPeerLink>(m_address, server);
    useLink(*m_loopback);
}

PeerLink& TestPeer::link()
{
    return *m_link;
}

communication::MessageSender_t& TestPeer::sender()
{
    return m_sender;
}

QHostAddress TestPeer::address() const
{
    return m_address;
}

bool TestPeer::bindUdp(quint16 port)
{
    if (!m_udp.bind(m_address, port))
        return false;
    // A socket bound to one unicast address does not see broadcasts; peers share this one.
    m_broadcastUdp.bind(QHostAddress(QStringLiteral("127.255.255.255")), port,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    return true;
}

bool TestPeer::hearsBroadcasts() const
{
    return m_broadcastUdp.state() == QAbstractSocket::BoundState;
}

void TestPeer::setAnswerHello(quint16 serverPort)
{
    m_answerHelloPort = serverPort;
}

bool TestPeer::connectToServer(quint16 port, const QHostAddress& server, int timeoutMs)
{
    return m_link->connectToServer(server, port, timeoutMs);
}

bool TestPeer::isConnected() const
{
    return m_link->isOpen();
}

bool TestPeer::disconnectFromServer(int timeoutMs)
{
    m_link->close();
    return m_link->waitForDisconnected(timeoutMs);
}

void TestPeer::abortConnection()
{
    m_link->abort();
}

bool TestPeer::waitForDisconnected(int timeoutMs)
{
    return m_link->waitForDisconnected(timeoutMs);
}

std::optional<QByteArray> TestPeer::serialize(const IMessage& message, quint64 sequenceId,
                                              std::optional<quint64> responseTo)
{
    return m_codec.Serialize(message, sequenceId, responseTo, m_sender);
}

quint64 TestPeer::send(const IMessage& message, std::optional<quint64> responseTo)
{
    const quint64 sequenceId = m_nextSequenceId++;
    if (const auto data = serialize(message, sequenceId, responseTo))
        m_link->sendText(*data);
    else
        qWarning() << "Test peer: could not serialize" << message;
    return sequenceId;
}

quint64 TestPeer::sendDatagram(const IMessage& message, quint16 port, const QHostAddress& to,
                               std::optional<quint64> sequenceId, std::optional<quint64> responseTo)
{
    const quint64 id = sequenceId.value_or(m_nextSequenceId++);
    if (const auto data = serialize(message, id, responseTo)) {
        // From this peer's own address, as a device on the LAN would send it.
        QUdpSocket out;
        out.bind(m_address, 0);
        out.writeDatagram(*data, to, port);
        out.waitForBytesWritten(1000);
    }
    return id;
}

void TestPeer::setNextSequenceId(quint64 sequenceId)
{
    m_nextSequenceId = sequenceId;
}

RawWebSocketClient& TestPeer::connection()
{
    return m_connection;
}

void TestPeer::onDatagrams(QUdpSocket& socket)
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        if (datagram.isValid())
            onData(datagram.data(), false, datagram.senderAddress());
    }
}

void TestPeer::onData(const QByteArray& data, bool overWebSocket, const QHostAddress& from)
{
    auto parsed = m_codec.Parse(data);
    if (!parsed)
        return;
    auto message = m_codec.CreateMessage(parsed->second, parsed->first.id);
    if (!message || !*message)
        return;
    auto received = std::make_unique<Received>();
    received->header = parsed->first;
    received->message = std::move(*message);
    received->overWebSocket = overWebSocket;
    const MessageType_e type = received->message->GetType();
    m_received.push_back(std::move(received));
    if (!overWebSocket && type == MessageType_e::Hello && m_answerHelloPort && !m_link->isOpen() && !from.isNull()) {
        m_link->open(from, *m_answerHelloPort);
    }
    Q_EMIT messageReceived(type, overWebSocket);
}

const std::vector<std::unique_ptr<TestPeer::Received>>& TestPeer::received() const
{
    return m_received;
}

TestPeer::Received* TestPeer::findUntaken(MessageType_e type)
{
    for (const auto& received : m_received) {
        if (!received->taken && received->message->GetType() == type)
            return received.get();
    }
    return nullptr;
}

const TestPeer::Received* TestPeer::waitForMessage(MessageType_e type, int timeoutMs)
{
    (void)QTest::qWaitFor([this, type] { return findUntaken(type) != nullptr; }, timeoutMs);
    Received* received = findUntaken(type);
    if (received)
        received->taken = true;
    return received;
}

int TestPeer::countReceived(MessageType_e type) const
{
    int count = 0;
    for (const auto& received : m_received)
        count += received->message->GetType() == type ? 1 : 0;
    return count;
}

void TestPeer::clearReceived()
{
    m_received.clear();
}

} // namespace tessivar::test
