#include "communication/IMessage.h"

#include <QJsonDocument>

namespace tessivar::communication {

void IMessage::AppendJson(QByteArray& out) const
{
    out.append(QJsonDocument(ToJson()).toJson(QJsonDocument::Compact));
}

QDebug operator<<(QDebug debug, const IMessage& message)
{
    message.Print(debug);
    return debug;
}

} // namespace tessivar::communication
