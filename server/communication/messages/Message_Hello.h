#pragma once

#include "communication/TessivarMessage.h"
#include "core/DeviceTypes.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// A device announces itself.
class Message_Hello : public TessivarMessage
{
public:
    explicit Message_Hello(device::NetworkDeviceId_t senderDeviceId);

    const device::NetworkDeviceId_t& GetSenderDeviceId() const;

    void Print(QDebug& debug) const override;
    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    device::NetworkDeviceId_t m_senderDeviceId;
};

} // namespace tessivar::communication
