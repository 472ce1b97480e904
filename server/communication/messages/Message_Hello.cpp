#include "communication/messages/Message_Hello.h"

namespace tessivar::communication {

Message_Hello::Message_Hello(device::NetworkDeviceId_t senderDeviceId)
    : TessivarMessage(MessageType_e::Hello)
    , m_senderDeviceId(std::move(senderDeviceId))
{
}

const device::NetworkDeviceId_t& Message_Hello::GetSenderDeviceId() const
{
    return m_senderDeviceId;
}

void Message_Hello::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "Hello[sender=" << m_senderDeviceId << "]";
}

QJsonObject Message_Hello::ToJson() const
{
    return QJsonObject{{QStringLiteral("DeviceId"), m_senderDeviceId}};
}

std::optional<std::unique_ptr<IMessage>> Message_Hello::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_Hello>(body.value(QLatin1StringView("DeviceId")).toString());
}

} // namespace tessivar::communication
