#include "communication/MessageHeader.h"

namespace tessivar::communication {

QDebug operator<<(QDebug debug, const MessageHeader_t& header)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "MessageHeader_t[Sender=" << header.sender << ",Id=" << header.id
                              << ",SequenceId=" << header.sequenceId;
    if (header.sequenceResponseId)
        debug << ",SequenceResponseId=" << *header.sequenceResponseId;
    debug << "]";
    return debug;
}

} // namespace tessivar::communication
