#include "communication/MessageEmissionBuilder.h"

#include "core/Logging.h"

#include <QDebug>

namespace tessivar::communication {

MessageEmissionBuilder::MessageEmissionBuilder(std::unique_ptr<IMessage> message, quint64 sequenceId,
                                               NetworkDeviceId_t senderId, NetworkDeviceId_t destination)
    : m_emission(std::make_unique<MessageEmission>(std::move(message), sequenceId, std::move(destination)))
    , m_senderId(std::move(senderId))
{
}

MessageEmissionBuilder& MessageEmissionBuilder::Broadcast()
{
    if (m_emission)
        m_emission->SetBroadcast(true);
    return *this;
}

MessageEmissionBuilder& MessageEmissionBuilder::AllowNonConnected()
{
    if (m_emission)
        m_emission->SetNonConnectedAllowed(true);
    return *this;
}

MessageEmissionBuilder& MessageEmissionBuilder::ToAddress(const QHostAddress& address)
{
    if (m_emission)
        m_emission->SetDestinationAddress(address);
    return *this;
}

MessageEmissionBuilder& MessageEmissionBuilder::WithResponseCallback(MessageEmission::ResponseCallback callback,
                                                                     std::chrono::milliseconds timeout)
{
    if (m_emission)
        m_emission->SetResponseHandling(MessageEmission::ResponseHandling_t{std::move(callback), timeout, {}});
    return *this;
}

MessageEmissionBuilder& MessageEmissionBuilder::WithTimeoutCallback(MessageEmission::TimeoutCallback callback)
{
    if (!m_emission || !m_emission->GetResponseHandling()) {
        qCWarning(lcCommunication) << "Must define response callback before timeout callback";
        return *this;
    }
    MessageEmission::ResponseHandling_t handling = *m_emission->GetResponseHandling();
    handling.timeoutCallback = std::move(callback);
    m_emission->SetResponseHandling(std::move(handling));
    return *this;
}

std::unique_ptr<MessageEmission> MessageEmissionBuilder::Build()
{
    if (!m_emission)
        qCWarning(lcCommunication) << "Message emission already built";
    return std::move(m_emission);
}

const NetworkDeviceId_t& MessageEmissionBuilder::GetSenderId() const
{
    return m_senderId;
}

} // namespace tessivar::communication
