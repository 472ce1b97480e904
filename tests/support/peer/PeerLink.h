#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

namespace tessivar::test {

// The connection of a test peer to the server: a WebSocket over the network
// (RawWebSocketClient) or a loopback link inside the process (LoopbackPeerLink). The
// test peer speaks through either alike.
class PeerLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PeerLink() override = default;

    // Starts connecting; emits connected() or disconnected().
    virtual void open(const QHostAddress& server, quint16 port) = 0;
    // open() and wait; true once the link is open.
    virtual bool connectToServer(const QHostAddress& server, quint16 port, int timeoutMs = 5000) = 0;
    virtual bool isOpen() const = 0;
    virtual bool waitForDisconnected(int timeoutMs = 5000) = 0;

    virtual void sendText(const QByteArray& utf8) = 0;
    virtual void sendBinary(const QByteArray& data) = 0;
    // Ends the link as a well-behaved client does; the server closes its side.
    virtual void close() = 0;
    // Drops the link at once.
    virtual void abort() = 0;

    virtual QHostAddress localAddress() const = 0;
    virtual quint16 localPort() const = 0;

Q_SIGNALS:
    void connected();
    void textMessageReceived(QByteArray message);
    void disconnected();
};

} // namespace tessivar::test
