#include "communication/network/NonConnectedSocket.h"

#include "core/Logging.h"

#include <QDebug>
#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace tessivar::communication::network {

namespace {

// Enough to take an oversize datagram off the queue: the rest of it is dropped unread.
constexpr qint64 kDiscardBufferSize = 1;

void printDatagram(QDebug& debug, const QNetworkDatagram& datagram)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "QNetworkDatagram[";
    if (!datagram.isValid()) {
        debug << "Invalid]";
        return;
    }
    debug << "Bytes=" << datagram.data().size() << ",SenderAddress=" << datagram.senderAddress().toString()
          << ",SenderPort=" << datagram.senderPort()
          << ",DestinationAddress=" << datagram.destinationAddress().toString()
          << ",DestinationPort=" << datagram.destinationPort() << "]";
}

} // namespace

NonConnectedSocket::NonConnectedSocket(quint16 port, const QString& description)
    : m_port(port)
    , m_description(description)
    , m_socket(std::make_unique<QUdpSocket>())
{
    qCDebug(lcCommunication) << "Initializing socket" << *this;
}

NonConnectedSocket::~NonConnectedSocket()
{
    m_socket->disconnect(this);
}

void NonConnectedSocket::SetMaximumDatagramSize(qint64 bytes)
{
    m_maximumDatagramSize = bytes;
}

void NonConnectedSocket::Bind()
{
    m_socket->bind(QHostAddress::Any, m_port, QAbstractSocket::DefaultForPlatform);
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_bindError.reset();
        m_bindErrorString.clear();
        connect(m_socket.get(), &QUdpSocket::readyRead, this, &NonConnectedSocket::ReadPendingDatagrams,
                Qt::UniqueConnection);
        qCDebug(lcCommunication).nospace() << *this << ": listening";
        return;
    }
    qCWarning(lcCommunication).nospace().noquote()
        << *this << ": socket bind failed with error [" << m_socket->errorString() << "]";
    m_bindError = m_socket->error();
    m_bindErrorString = m_socket->errorString();
    Q_EMIT ErrorOccurred(SocketError::BindFailed);
}

std::optional<QAbstractSocket::SocketError> NonConnectedSocket::BindError() const
{
    return m_bindError;
}

QString NonConnectedSocket::BindErrorString() const
{
    return m_bindErrorString;
}

void NonConnectedSocket::ReadPendingDatagrams()
{
    while (m_socket->hasPendingDatagrams()) {
        const qint64 size = m_socket->pendingDatagramSize();
        if (size > m_maximumDatagramSize) {
            DiscardPendingDatagram(size);
            continue;
        }
        const QNetworkDatagram datagram = m_socket->receiveDatagram(size < 0 ? 0 : size);
        if (lcCommunication().isDebugEnabled()) {
            QDebug debug = QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC)
                               .debug(lcCommunication());
            debug.nospace() << *this << ": datagram received [";
            printDatagram(debug, datagram);
            debug << "]";
        }
        if (datagram.isValid() && !datagram.data().isEmpty())
            Q_EMIT DataReceived(datagram.data(), PeerEndPoint(datagram.senderAddress(), m_port));
    }
}

void NonConnectedSocket::DiscardPendingDatagram(qint64 size)
{
    char discard[kDiscardBufferSize];
    QHostAddress sender;
    quint16 senderPort = 0;
    m_socket->readDatagram(discard, kDiscardBufferSize, &sender, &senderPort);
    qCWarning(lcCommunication).nospace().noquote()
        << *this << ": datagram of [" << size << "] bytes from [" << PeerEndPoint::Normalize(sender).toString() << ":"
        << senderPort << "] refused, larger than [" << m_maximumDatagramSize << "] bytes";
}

void NonConnectedSocket::SendTo(const QByteArray& data, const PeerEndPoint& endPoint)
{
    const QHostAddress address = endPoint.GetAddress();
    qCDebug(lcCommunication).nospace().noquote()
        << *this << ": sending data to [" << address.toString() << ":" << m_port << "]";
    m_socket->writeDatagram(data, address, m_port);
}

void NonConnectedSocket::Broadcast(const QByteArray& data)
{
    qCDebug(lcCommunication).nospace() << *this << ": broadcasting data";
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces) {
        if (!networkInterface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        const auto entries = networkInterface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (!entry.broadcast().isNull())
                SendTo(data, PeerEndPoint(entry.broadcast(), m_port));
        }
    }
}

void NonConnectedSocket::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "NonConnectedSocket[Description=" << m_description << ",State=" << m_socket->state()
                              << ",Port=" << m_socket->localPort() << "]";
}

} // namespace tessivar::communication::network
