#include "ServerDiscovery.h"

#include "communication/MessageCatalogue.h"
#include "communication/MessageType.h"

#include <QNetworkDatagram>

namespace tessivar::devicecli {

namespace {
// A Hello is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaximumHelloSize = 64 * 1024;
} // namespace

ServerDiscovery::ServerDiscovery(quint16 port, QObject* parent)
    : QObject(parent)
    , m_port(port)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_socket.close();
        Q_EMIT timedOut();
    });
    connect(&m_socket, &QUdpSocket::readyRead, this, &ServerDiscovery::readDatagrams);
}

bool ServerDiscovery::bind()
{
    // Shared, so that a client application and the server on the same machine keep
    // their own sockets on the port.
    return m_socket.bind(QHostAddress::AnyIPv4, m_port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

bool ServerDiscovery::start(std::chrono::milliseconds timeout)
{
    m_stopAtFirst = true;
    if (!bind())
        return false;
    m_timeout.start(timeout);
    return true;
}

bool ServerDiscovery::listen()
{
    m_stopAtFirst = false;
    return m_socket.state() == QAbstractSocket::BoundState || bind();
}

void ServerDiscovery::stop()
{
    m_timeout.stop();
    m_socket.close();
}

QString ServerDiscovery::errorString() const
{
    return m_socket.errorString();
}

void ServerDiscovery::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kMaximumHelloSize);
        if (!datagram.isValid() || datagram.data().isEmpty())
            continue;
        const auto parsed = m_codec.Parse(datagram.data());
        if (!parsed || parsed->first.sender.applicationType != device::ApplicationType_e::Server
            || communication::MessageCatalogue::TypeOfIdentifier(parsed->first.id)
                != communication::MessageType_e::Hello)
            continue;
        QHostAddress sender = datagram.senderAddress();
        bool isIpv4 = false;
        const QHostAddress ipv4(sender.toIPv4Address(&isIpv4));
        if (isIpv4)
            sender = ipv4;
        if (!m_stopAtFirst) {
            Q_EMIT serverFound(sender, parsed->first.sender.name);
            continue;
        }
        m_timeout.stop();
        m_socket.close();
        Q_EMIT serverFound(sender, parsed->first.sender.name);
        return;
    }
}

} // namespace tessivar::devicecli
