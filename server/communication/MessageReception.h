#pragma once

#include "communication/IMessage.h"
#include "communication/MessageCatalogue.h"
#include "device/IDevice.h"

#include <QMetaType>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace tessivar::communication {

// One received message, attributed to the device that sent it. Copyable, so that it
// can travel through a queued connection; the copies share the one typed message.
class MessageReception
{
public:
    MessageReception() = default;
    MessageReception(device::IDevice& sender, quint64 sequenceId, std::optional<quint64> responseTo,
                     std::unique_ptr<IMessage> message, bool overOwnConnection = false);

    // The sending device belongs to the device manager; a reception delivered through a
    // queued connection must not outlive the device (the application removes devices
    // only from the main thread, between deliveries).
    device::IDevice& GetSender() const;
    const NetworkDeviceId_t& GetSenderId() const;
    quint64 GetSequenceId() const;
    bool HasResponseTo() const;
    // Ends the program when there is none: callers test HasResponseTo() first.
    quint64 GetResponseTo() const;
    bool HasMessage() const;
    // Whether it came over the WebSocket connection attributed to its sender, the only
    // way a device may ask for its stored state to be deleted or replaced.
    bool IsOverOwnConnection() const;
    const IMessage& GetMessage() const;
    // The message as the class of its type key; null when there is none, or when its
    // type or its class is another (a message is never taken for what it is not).
    template<typename Message> const Message* As() const
    {
        if (!m_message || m_message->GetType() != MessageTypeOf<Message>::value)
            return nullptr;
        return dynamic_cast<const Message*>(m_message.get());
    }

private:
    device::IDevice* m_sender = nullptr;
    NetworkDeviceId_t m_senderId;
    quint64 m_sequenceId = 0;
    std::optional<quint64> m_responseTo;
    std::shared_ptr<const IMessage> m_message;
    bool m_overOwnConnection = false;
};

// "MessageReception[Sender=<id>,SequenceId=n,SequenceResponseId=n,Message=...]".
QDebug operator<<(QDebug debug, const MessageReception& reception);

} // namespace tessivar::communication

Q_DECLARE_METATYPE(tessivar::communication::MessageReception)
