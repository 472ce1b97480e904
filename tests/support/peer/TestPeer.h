#pragma once

// TestPeer plays the client application against the server in tests.
//
//   TestPeer peer(QStringLiteral("0123456789abcdef0123456789abcdef"), QHostAddress("127.0.0.2"));
//   peer.bindUdp(port);                       // hears Hello broadcasts / wake-up datagrams
//   peer.setAnswerHello(port);                // a Hello datagram makes it connect to the server
//   peer.connectToServer(port);               // or connect at once (WebSocket from 127.0.0.2)
//   peer.useLoopback(handler.GetSocketManager()); // before connecting: a loopback link instead
//   quint64 seq = peer.send(Message_Hello(peer.sender().id));
//   const TestPeer::Received* r = peer.waitForMessage(MessageType_e::RegisterDevice);
//
// Every peer uses its own loopback address (127.0.0.x) for both UDP and the WebSocket,
// so the server tells peers apart by address as it does on a LAN. Messages are built
// and read with the server's own codec; the sender is "Client" unless changed. Over a
// loopback link the peer's end still sits at that address, and nothing else changes
// for the test: a Hello datagram answered, send, connectToServer, the waits.

#include "RawWebSocketClient.h"

#include "communication/IMessage.h"
#include "communication/MessageCodec.h"
#include "communication/MessageHeader.h"
#include "communication/MessageSender.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include <memory>
#include <optional>
#include <vector>

namespace tessivar::communication::network {
class SocketManager;
}

namespace tessivar::test {

class LoopbackPeerLink;

class TestPeer : public QObject
{
    Q_OBJECT
public:
    struct Received {
        communication::MessageHeader_t header;
        std::unique_ptr<communication::IMessage> message;
        bool overWebSocket = false;
        bool taken = false; // already handed out by waitForMessage
    };

    explicit TestPeer(const QString& deviceId, const QHostAddress& address = QHostAddress(QStringLiteral("127.0.0.2")),
                      QObject* parent = nullptr);
    ~TestPeer() override;

    communication::MessageSender_t& sender();
    QHostAddress address() const;

    // UDP on this peer's address and the given port (the server's port). Also listens on
    // the loopback broadcast address 127.255.255.255 (shared between peers) where the
    // system lets it, so that the server's broadcast Hello reaches every peer.
    bool bindUdp(quint16 port);
    bool hearsBroadcasts() const;
    // When a Hello datagram arrives while not connected, open a WebSocket to its sender at serverPort.
    void setAnswerHello(quint16 serverPort);

    // From now on connects over a loopback link to that server's socket manager, which
    // needs no listening socket, instead of over a WebSocket. Datagrams stay real.
    void useLoopback(communication::network::SocketManager& server);

    bool connectToServer(quint16 port, const QHostAddress& server = QHostAddress::LocalHost, int timeoutMs = 5000);
    bool isConnected() const;
    // Close frame and wait until the server has closed; abortConnection drops TCP at once.
    bool disconnectFromServer(int timeoutMs = 5000);
    void abortConnection();
    bool waitForDisconnected(int timeoutMs = 5000);

    // Serializes with the next sequence id (or the one given) and sends it; returns the id used.
    quint64 send(const communication::IMessage& message, std::optional<quint64> responseTo = std::nullopt);
    quint64 sendDatagram(const communication::IMessage& message, quint16 port,
                         const QHostAddress& to = QHostAddress::LocalHost,
                         std::optional<quint64> sequenceId = std::nullopt,
                         std::optional<quint64> responseTo = std::nullopt);
    void setNextSequenceId(quint64 sequenceId);
    // The raw WebSocket connection, for half handshakes, broken frames and other abuse
    // of the network.
    RawWebSocketClient& connection();
    // The link in use (the WebSocket, or the loopback once chosen): garbage text, binary
    // frames, the local port.
    PeerLink& link();

    const std::vector<std::unique_ptr<Received>>& received() const;
    // The first received message of that type not handed out before, waiting for it if
    // needed; null after the time-out.
    const Received* waitForMessage(communication::MessageType_e type, int timeoutMs = 5000);
    int countReceived(communication::MessageType_e type) const;
    void clearReceived();

Q_SIGNALS:
    void messageReceived(communication::MessageType_e type, bool overWebSocket);
    void connected();
    void disconnected();

private:
    void useLink(PeerLink& link);
    void onData(const QByteArray& data, bool overWebSocket, const QHostAddress& from);
    void onDatagrams(QUdpSocket& socket);
    std::optional<QByteArray> serialize(const communication::IMessage& message, quint64 sequenceId,
                                        std::optional<quint64> responseTo);
    Received* findUntaken(communication::MessageType_e type);

    communication::MessageSender_t m_sender;
    QHostAddress m_address;
    communication::MessageCodec m_codec;
    RawWebSocketClient m_connection;
    std::unique_ptr<LoopbackPeerLink> m_loopback;
    PeerLink* m_link = nullptr;
    QUdpSocket m_udp;
    QUdpSocket m_broadcastUdp;
    std::optional<quint16> m_answerHelloPort;
    quint64 m_nextSequenceId = 0;
    std::vector<std::unique_ptr<Received>> m_received;
};

// The message of a received envelope as that type; null when nothing was received or it is another type.
template<typename T> const T* as(const TestPeer::Received* received)
{
    return received ? dynamic_cast<const T*>(received->message.get()) : nullptr;
}

} // namespace tessivar::test
