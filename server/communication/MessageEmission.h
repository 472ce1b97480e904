#pragma once

#include "communication/IMessage.h"
#include "communication/MessageReception.h"
#include "core/DeviceTypes.h"

#include <QHostAddress>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tessivar::communication {

// One outgoing message with its delivery options, as a MessageEmissionBuilder makes it.
class MessageEmission
{
public:
    using ResponseCallback = std::function<void(const MessageReception&)>;
    using TimeoutCallback = std::function<void()>;

    // Present when the sender expects an answer to this message.
    struct ResponseHandling_t {
        ResponseCallback responseCallback;
        std::chrono::milliseconds timeout{0};
        std::optional<TimeoutCallback> timeoutCallback;
    };

    MessageEmission(std::unique_ptr<IMessage> message, quint64 sequenceId, NetworkDeviceId_t destination);

    const IMessage& GetMessage() const;
    quint64 GetSequenceId() const;
    const NetworkDeviceId_t& GetDestination() const;
    bool IsBroadcast() const;
    const std::optional<quint64>& GetResponseTo() const;
    const std::optional<ResponseHandling_t>& GetResponseHandling() const;
    bool IsNonConnectedAllowed() const;
    // Where a device that has no id yet (added by hand) is reached without a connection.
    const std::optional<QHostAddress>& GetDestinationAddress() const;

    void SetBroadcast(bool broadcast);
    void SetResponseTo(std::optional<quint64> responseTo);
    void SetResponseHandling(std::optional<ResponseHandling_t> handling);
    void SetNonConnectedAllowed(bool allowed);
    void SetDestinationAddress(const QHostAddress& address);

private:
    std::unique_ptr<IMessage> m_message;
    quint64 m_sequenceId = 0;
    NetworkDeviceId_t m_destination;
    bool m_broadcast = false;
    std::optional<quint64> m_responseTo;
    std::optional<ResponseHandling_t> m_responseHandling;
    bool m_allowNonConnected = false;
    std::optional<QHostAddress> m_destinationAddress;
};

// "MessageEmission[SequenceId=n,Destination=<id>,Broadcast=b,AllowNonConnected=b,Message=...]".
QDebug operator<<(QDebug debug, const MessageEmission& emission);

} // namespace tessivar::communication
