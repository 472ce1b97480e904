#pragma once

#include "communication/MessageSender.h"

#include <QDebug>
#include <QString>
#include <optional>

namespace tessivar::communication {

// The "header.v1" of an envelope.
struct MessageHeader_t {
    MessageSender_t sender;
    QString id;  // the message's wire identifier
    quint64 sequenceId = 0;
    std::optional<quint64> sequenceResponseId;  // present only in a response

    bool operator==(const MessageHeader_t& other) const
    {
        return sender == other.sender && id == other.id && sequenceId == other.sequenceId
            && sequenceResponseId == other.sequenceResponseId;
    }
};

// "MessageHeader_t[Sender=...,Id=...,SequenceId=n]", with ",SequenceResponseId=n" when present.
QDebug operator<<(QDebug debug, const MessageHeader_t& header);

} // namespace tessivar::communication
