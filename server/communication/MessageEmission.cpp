#include "communication/MessageEmission.h"

#include <QDebug>

namespace tessivar::communication {

MessageEmission::MessageEmission(std::unique_ptr<IMessage> message, quint64 sequenceId, NetworkDeviceId_t destination)
    : m_message(std::move(message))
    , m_sequenceId(sequenceId)
    , m_destination(std::move(destination))
{
    if (!m_message)
        qFatal("Message emission without a message");
}

const IMessage& MessageEmission::GetMessage() const
{
    return *m_message;
}

quint64 MessageEmission::GetSequenceId() const
{
    return m_sequenceId;
}

const NetworkDeviceId_t& MessageEmission::GetDestination() const
{
    return m_destination;
}

bool MessageEmission::IsBroadcast() const
{
    return m_broadcast;
}

const std::optional<quint64>& MessageEmission::GetResponseTo() const
{
    return m_responseTo;
}

const std::optional<MessageEmission::ResponseHandling_t>& MessageEmission::GetResponseHandling() const
{
    return m_responseHandling;
}

bool MessageEmission::IsNonConnectedAllowed() const
{
    return m_allowNonConnected;
}

void MessageEmission::SetBroadcast(bool broadcast)
{
    m_broadcast = broadcast;
}

void MessageEmission::SetResponseTo(std::optional<quint64> responseTo)
{
    m_responseTo = responseTo;
}

void MessageEmission::SetResponseHandling(std::optional<ResponseHandling_t> handling)
{
    m_responseHandling = std::move(handling);
}

void MessageEmission::SetNonConnectedAllowed(bool allowed)
{
    m_allowNonConnected = allowed;
}

const std::optional<QHostAddress>& MessageEmission::GetDestinationAddress() const
{
    return m_destinationAddress;
}

void MessageEmission::SetDestinationAddress(const QHostAddress& address)
{
    m_destinationAddress = address;
}

QDebug operator<<(QDebug debug, const MessageEmission& emission)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "MessageEmission[SequenceId=" << emission.GetSequenceId()
                              << ",Destination=" << emission.GetDestination()
                              << ",Broadcast=" << emission.IsBroadcast()
                              << ",AllowNonConnected=" << emission.IsNonConnectedAllowed()
                              << ",Message=" << emission.GetMessage() << "]";
    return debug;
}

} // namespace tessivar::communication
