#pragma once

#include "communication/IMessage.h"
#include "communication/MessageSender.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace tessivar::test {

// One message of every type with every field set, and the exact envelope text that the
// codec must produce for it (sender Sender(), sequence id 7, answering nothing).
struct ProtocolSample {
    QString wireIdentifier;
    std::function<std::unique_ptr<communication::IMessage>()> create;
    QByteArray envelope;
};

class ProtocolSamples
{
public:
    static communication::MessageSender_t Sender();
    static QList<ProtocolSample> All();
    // {"header.v1":{sender, identifier, "SequenceId":"7"},"message.v1":{identifier: body}}
    static QByteArray Envelope(const QString& identifier, const QByteArray& body);
};

} // namespace tessivar::test
