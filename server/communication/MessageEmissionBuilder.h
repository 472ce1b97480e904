#pragma once

#include "communication/MessageEmission.h"

#include <chrono>
#include <memory>

namespace tessivar::communication {

// Gathers the delivery options of one outgoing message; Build() hands over the
// emission and leaves the builder empty.
class MessageEmissionBuilder
{
public:
    MessageEmissionBuilder(std::unique_ptr<IMessage> message, quint64 sequenceId, NetworkDeviceId_t senderId,
                           NetworkDeviceId_t destination);

    MessageEmissionBuilder& Broadcast();
    MessageEmissionBuilder& AllowNonConnected();
    // For a destination without an id (a device added by hand that has not answered yet).
    MessageEmissionBuilder& ToAddress(const QHostAddress& address);
    MessageEmissionBuilder& WithResponseCallback(MessageEmission::ResponseCallback callback,
                                                 std::chrono::milliseconds timeout);
    // Only after WithResponseCallback; otherwise logged and ignored.
    MessageEmissionBuilder& WithTimeoutCallback(MessageEmission::TimeoutCallback callback);
    // Null when the builder was already built.
    std::unique_ptr<MessageEmission> Build();

    const NetworkDeviceId_t& GetSenderId() const;

private:
    std::unique_ptr<MessageEmission> m_emission;
    NetworkDeviceId_t m_senderId;
};

} // namespace tessivar::communication
