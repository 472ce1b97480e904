#pragma once

#include "communication/MessageCodec.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <chrono>

namespace tessivar::devicecli {

// Finds a server as a client device does: listens on the port for the Hello that
// servers broadcast (and send to the devices they know), and takes the sender's address.
class ServerDiscovery : public QObject
{
    Q_OBJECT
public:
    explicit ServerDiscovery(quint16 port, QObject* parent = nullptr);

    // False when the port cannot be bound. It stops at the first server heard.
    bool start(std::chrono::milliseconds timeout);
    // Keeps listening without a time limit and reports every Hello heard.
    bool listen();
    void stop();
    QString errorString() const;

Q_SIGNALS:
    void serverFound(const QHostAddress& address, const QString& serverName);
    void timedOut();

private:
    void readDatagrams();

    bool bind();

    quint16 m_port;
    bool m_stopAtFirst = true;
    QUdpSocket m_socket;
    QTimer m_timeout;
    communication::MessageCodec m_codec;
};

} // namespace tessivar::devicecli
