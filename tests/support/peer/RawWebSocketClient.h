#pragma once

#include "PeerLink.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>

namespace tessivar::test {

// A WebSocket client written on a plain QTcpSocket, because QWebSocket cannot choose
// its source address: each peer connects from its own 127.0.0.x, as distinct devices
// on a LAN would. It also writes whatever a hostile peer might: binary frames, frame
// headers that promise more than they carry, half handshakes, raw bytes.
class RawWebSocketClient final : public PeerLink
{
    Q_OBJECT
public:
    enum Opcode : quint8 { Continuation = 0x0, Text = 0x1, Binary = 0x2, Close = 0x8, Ping = 0x9, Pong = 0xA };

    explicit RawWebSocketClient(const QHostAddress& localAddress, QObject* parent = nullptr);

    // Starts the TCP connection and the opening handshake; emits connected() or disconnected().
    void open(const QHostAddress& server, quint16 port) override;
    // open() and wait; true once the handshake succeeded.
    bool connectToServer(const QHostAddress& server, quint16 port, int timeoutMs = 5000) override;
    // Only the TCP connection, without any handshake (a half-open peer).
    bool connectTcpOnly(const QHostAddress& server, quint16 port, int timeoutMs = 5000);
    bool isOpen() const override;
    bool waitForDisconnected(int timeoutMs = 5000) override;

    void sendText(const QByteArray& utf8) override;
    void sendBinary(const QByteArray& data) override;
    // One masked frame; a length above the payload's lets a test promise bytes it never sends.
    void sendFrame(quint8 opcode, const QByteArray& payload, bool final = true, qint64 announcedLength = -1);
    void sendRaw(const QByteArray& bytes);
    // A close frame, then the server closes the connection.
    void close() override;
    // Drops the TCP connection without a close frame.
    void abort() override;

    QHostAddress localAddress() const override;
    quint16 localPort() const override;

private:
    void onTcpConnected();
    void onReadyRead();
    bool readHandshakeResponse();
    void readFrames();
    void onTcpDisconnected();

    QHostAddress m_localAddress;
    QTcpSocket m_socket;
    QByteArray m_key;
    QByteArray m_buffer;
    QByteArray m_fragments;
    bool m_handshakeSent = false;
    bool m_open = false;
    bool m_closeSent = false;
};

} // namespace tessivar::test
