#pragma once

#include "communication/IMessage.h"

#include <QString>

namespace tessivar::communication {

// Base of every message class: holds the type and gives the default debug form,
// the print name followed by an indented dump of the body.
class TessivarMessage : public IMessage
{
public:
    explicit TessivarMessage(MessageType_e type);

    MessageType_e GetType() const override;
    void Print(QDebug& debug) const override;

    // The indented dump of a body as the default debug form shows it: variant maps
    // expanded, byte arrays reduced to their size.
    static QString DebugDump(const QJsonObject& body);

private:
    MessageType_e m_type;
};

} // namespace tessivar::communication
