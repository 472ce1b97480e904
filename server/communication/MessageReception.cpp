#include "communication/MessageReception.h"

#include <QDebug>

namespace tessivar::communication {

MessageReception::MessageReception(device::IDevice& sender, quint64 sequenceId, std::optional<quint64> responseTo,
                                   std::unique_ptr<IMessage> message, bool overOwnConnection)
    : m_sender(&sender)
    , m_senderId(sender.GetId())
    , m_sequenceId(sequenceId)
    , m_responseTo(responseTo)
    , m_message(std::move(message))
    , m_overOwnConnection(overOwnConnection)
{
}

bool MessageReception::IsOverOwnConnection() const
{
    return m_overOwnConnection;
}

device::IDevice& MessageReception::GetSender() const
{
    if (!m_sender)
        qFatal("Message reception has no sender");
    return *m_sender;
}

const NetworkDeviceId_t& MessageReception::GetSenderId() const
{
    return m_senderId;
}

quint64 MessageReception::GetSequenceId() const
{
    return m_sequenceId;
}

bool MessageReception::HasResponseTo() const
{
    return m_responseTo.has_value();
}

quint64 MessageReception::GetResponseTo() const
{
    if (!m_responseTo)
        qFatal("Message has no sequence id response to");
    return *m_responseTo;
}

bool MessageReception::HasMessage() const
{
    return m_message != nullptr;
}

const IMessage& MessageReception::GetMessage() const
{
    if (!m_message)
        qFatal("Message reception has no message");
    return *m_message;
}

QDebug operator<<(QDebug debug, const MessageReception& reception)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "MessageReception[Sender=" << reception.GetSenderId()
                              << ",SequenceId=" << reception.GetSequenceId();
    if (reception.HasResponseTo())
        debug << ",SequenceResponseId=" << reception.GetResponseTo();
    debug << ",Message=";
    if (reception.HasMessage())
        debug << reception.GetMessage();
    else
        debug << "N/A";
    debug << "]";
    return debug;
}

} // namespace tessivar::communication
