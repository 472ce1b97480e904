// The road every received text takes: CommunicationHandler hands it to one long-lived
// codec's ParseMessage (the one-pass envelope reader, its member spans, and for Data
// messages Message_Data::FromText), then prints the header and message in its logs.

#include "communication/MessageCodec.h"

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Rejections are logged by design; the fuzzer would spend its time writing them.
void discardMessages(QtMsgType, const QMessageLogContext&, const QString&)
{
}

const tessivar::communication::MessageSender_t& localSender()
{
    static const tessivar::communication::MessageSender_t sender{QStringLiteral("0123456789abcdef0123456789abcdef"),
                                                                 QStringLiteral("Fuzz"), QVersionNumber(1, 5, 1),
                                                                 tessivar::device::ApplicationType_e::Server};
    return sender;
}

// One codec for the whole run, as the handler keeps one: the sender it remembers from
// one message to the next is part of the road.
const tessivar::communication::MessageCodec& codec()
{
    static const tessivar::communication::MessageCodec instance;
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessivar::communication;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    auto parsed = codec().ParseMessage(bytes);
    if (!parsed || !parsed->second)
        return 0;
    const MessageHeader_t& header = parsed->first;
    const IMessage& message = *parsed->second;
    const QJsonObject body = message.ToJson();
    QString printed;
    QDebug(&printed) << header << message << int(message.GetType());

    // Whatever a message was read from, sending it and reading it back must give the
    // same message: the encodings of every field are each other's inverse.
    const std::optional<QByteArray> sent
        = codec().Serialize(message, header.sequenceId, header.sequenceResponseId, localSender());
    if (!sent)
        std::abort();
    const auto reparsed = codec().ParseMessage(*sent);
    if (!reparsed || !reparsed->second || reparsed->first.id != header.id || !(reparsed->first.sender == localSender())
        || reparsed->second->ToJson() != body)
        std::abort();
    return 0;
}
