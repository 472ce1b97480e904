#pragma once

#include "communication/MessageType.h"

#include <QByteArray>
#include <QDebug>
#include <QJsonObject>

namespace tessivar::communication {

// A typed message: its type, its debug form and its JSON body (without envelope).
class IMessage
{
public:
    virtual ~IMessage() = default;
    virtual MessageType_e GetType() const = 0;
    virtual void Print(QDebug& debug) const = 0;
    virtual QJsonObject ToJson() const = 0;
    // Appends the body as compact JSON text, exactly as QJsonDocument writes ToJson().
    // Messages sent often write it directly instead of building the object first.
    virtual void AppendJson(QByteArray& out) const;

protected:
    IMessage() = default;
    IMessage(const IMessage&) = default;
    IMessage& operator=(const IMessage&) = default;
};

QDebug operator<<(QDebug debug, const IMessage& message);

} // namespace tessivar::communication
