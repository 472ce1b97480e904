#pragma once

#include "PeerLink.h"

#include "LoopbackLink.h"

#include <QPointer>

#include <memory>

namespace tessivar::communication::network {
class SocketManager;
}

namespace tessivar::test {

// A test peer's link to a server in the same process: opening hands the server's end
// of a loopback pair to the socket manager, as its listening server hands over an
// accepted connection; no socket of the system is opened. The peer's end sits at its
// own address and a port of its own, which the server sees as the peer's endpoint.
class LoopbackPeerLink final : public PeerLink
{
    Q_OBJECT
public:
    LoopbackPeerLink(const QHostAddress& localAddress, communication::network::SocketManager& server,
                     QObject* parent = nullptr);
    ~LoopbackPeerLink() override;

    // The address and port are not used: the link goes to the socket manager given.
    void open(const QHostAddress& server, quint16 port) override;
    bool connectToServer(const QHostAddress& server, quint16 port, int timeoutMs = 5000) override;
    bool isOpen() const override;
    bool waitForDisconnected(int timeoutMs = 5000) override;

    void sendText(const QByteArray& utf8) override;
    void sendBinary(const QByteArray& data) override;
    void close() override;
    void abort() override;

    QHostAddress localAddress() const override;
    quint16 localPort() const override;

private:
    void onDisconnected();

    QHostAddress m_localAddress;
    QPointer<communication::network::SocketManager> m_server;
    std::unique_ptr<LoopbackSocket> m_end;
    quint16 m_localPort = 0;
    bool m_disconnected = false;
};

} // namespace tessivar::test
