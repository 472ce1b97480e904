#include "RawWebSocketClient.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTest>

namespace tessivar::test {

namespace {

const QByteArray kAcceptGuid = QByteArrayLiteral("258EAFA5-E914-47DA-95CA-C5AB0DC85B11");

} // namespace

RawWebSocketClient::RawWebSocketClient(const QHostAddress& localAddress, QObject* parent)
    : PeerLink(parent)
    , m_localAddress(localAddress)
{
    // Clients answer at once rather than batching small messages.
    connect(&m_socket, &QTcpSocket::connected, this,
            [this] { m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    connect(&m_socket, &QTcpSocket::connected, this, &RawWebSocketClient::onTcpConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &RawWebSocketClient::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &RawWebSocketClient::onTcpDisconnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            onTcpDisconnected();
    });
}

void RawWebSocketClient::open(const QHostAddress& server, quint16 port)
{
    m_socket.abort();
    m_buffer.clear();
    m_fragments.clear();
    m_open = false;
    m_closeSent = false;
    m_handshakeSent = true;
    m_socket.bind(m_localAddress, 0);
    m_socket.connectToHost(server, port);
}

bool RawWebSocketClient::connectToServer(const QHostAddress& server, quint16 port, int timeoutMs)
{
    open(server, port);
    return QTest::qWaitFor([this] { return m_open || m_socket.state() == QAbstractSocket::UnconnectedState; },
                           timeoutMs)
        && m_open;
}

bool RawWebSocketClient::connectTcpOnly(const QHostAddress& server, quint16 port, int timeoutMs)
{
    m_socket.abort();
    m_handshakeSent = false;
    m_socket.bind(m_localAddress, 0);
    m_socket.connectToHost(server, port);
    return m_socket.waitForConnected(timeoutMs);
}

bool RawWebSocketClient::isOpen() const
{
    return m_open;
}

bool RawWebSocketClient::waitForDisconnected(int timeoutMs)
{
    return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
}

void RawWebSocketClient::onTcpConnected()
{
    if (!m_handshakeSent)
        return;
    QByteArray nonce(16, '\0');
    for (char& c : nonce)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    m_key = nonce.toBase64();
    const QByteArray host = m_socket.peerAddress().toString().toUtf8() + ':' + QByteArray::number(m_socket.peerPort());
    sendRaw("GET / HTTP/1.1\r\nHost: " + host + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: "
            + m_key + "\r\nSec-WebSocket-Version: 13\r\nOrigin: tessivar-test-peer\r\n\r\n");
}

void RawWebSocketClient::onReadyRead()
{
    m_buffer += m_socket.readAll();
    if (!m_open) {
        if (!m_handshakeSent || !readHandshakeResponse())
            return;
    }
    readFrames();
}

bool RawWebSocketClient::readHandshakeResponse()
{
    const qsizetype end = m_buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray response = m_buffer.left(end);
    m_buffer.remove(0, end + 4);
    const QByteArray expected = QCryptographicHash::hash(m_key + kAcceptGuid, QCryptographicHash::Sha1).toBase64();
    if (!response.startsWith("HTTP/1.1 101") || !response.contains(expected)) {
        qWarning() << "Test peer: WebSocket handshake refused:" << response;
        m_socket.abort();
        return false;
    }
    m_open = true;
    Q_EMIT connected();
    return true;
}

void RawWebSocketClient::readFrames()
{
    while (m_buffer.size() >= 2) {
        const auto b0 = static_cast<quint8>(m_buffer[0]);
        const auto b1 = static_cast<quint8>(m_buffer[1]);
        qint64 length = b1 & 0x7F;
        qsizetype offset = 2;
        if (length == 126) {
            if (m_buffer.size() < 4)
                return;
            length = (static_cast<quint8>(m_buffer[2]) << 8) | static_cast<quint8>(m_buffer[3]);
            offset = 4;
        } else if (length == 127) {
            if (m_buffer.size() < 10)
                return;
            length = 0;
            for (int i = 0; i < 8; ++i)
                length = (length << 8) | static_cast<quint8>(m_buffer[2 + i]);
            offset = 10;
        }
        if (m_buffer.size() < offset + length)
            return;
        const QByteArray payload = m_buffer.mid(offset, length);
        m_buffer.remove(0, offset + length);
        const quint8 opcode = b0 & 0x0F;
        const bool final = (b0 & 0x80) != 0;
        if (opcode == Ping) {
            sendFrame(Pong, payload);
        } else if (opcode == Close) {
            if (!m_closeSent)
                sendFrame(Close, payload.left(2));
            m_closeSent = true;
            m_socket.disconnectFromHost();
            return;
        } else if (opcode == Text || opcode == Binary || opcode == Continuation) {
            if (opcode != Continuation)
                m_fragments.clear();
            m_fragments += payload;
            if (final)
                Q_EMIT textMessageReceived(m_fragments);
        }
    }
}

void RawWebSocketClient::onTcpDisconnected()
{
    const bool wasOpen = m_open;
    m_open = false;
    if (wasOpen || m_handshakeSent)
        Q_EMIT disconnected();
    m_handshakeSent = false;
}

void RawWebSocketClient::sendText(const QByteArray& utf8)
{
    sendFrame(Text, utf8);
}

void RawWebSocketClient::sendBinary(const QByteArray& data)
{
    sendFrame(Binary, data);
}

void RawWebSocketClient::sendFrame(quint8 opcode, const QByteArray& payload, bool final, qint64 announcedLength)
{
    const qint64 length = announcedLength >= 0 ? announcedLength : payload.size();
    QByteArray frame;
    frame.append(static_cast<char>((final ? 0x80 : 0x00) | (opcode & 0x0F)));
    if (length < 126) {
        frame.append(static_cast<char>(0x80 | length));
    } else if (length <= 0xFFFF) {
        frame.append(static_cast<char>(0x80 | 126));
        frame.append(static_cast<char>((length >> 8) & 0xFF));
        frame.append(static_cast<char>(length & 0xFF));
    } else {
        frame.append(static_cast<char>(0x80 | 127));
        for (int shift = 56; shift >= 0; shift -= 8)
            frame.append(static_cast<char>((length >> shift) & 0xFF));
    }
    const quint32 mask = QRandomGenerator::global()->generate();
    char maskBytes[4] = {static_cast<char>(mask >> 24), static_cast<char>(mask >> 16), static_cast<char>(mask >> 8),
                         static_cast<char>(mask)};
    frame.append(maskBytes, 4);
    QByteArray masked = payload;
    for (qsizetype i = 0; i < masked.size(); ++i)
        masked[i] = static_cast<char>(masked[i] ^ maskBytes[i % 4]);
    frame.append(masked);
    sendRaw(frame);
    if (opcode == Close)
        m_closeSent = true;
}

void RawWebSocketClient::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

void RawWebSocketClient::close()
{
    if (!m_open)
        return;
    sendFrame(Close, QByteArray("\x03\xE8", 2));
}

void RawWebSocketClient::abort()
{
    m_socket.abort();
    m_open = false;
}

QHostAddress RawWebSocketClient::localAddress() const
{
    return m_socket.localAddress();
}

quint16 RawWebSocketClient::localPort() const
{
    return m_socket.localPort();
}

} // namespace tessivar::test
