// The receive path of every message from the network: parse the envelope, create the
// typed message, then everything the handler and its logs ask of it.

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
    static const tessivar::communication::MessageSender_t sender{
        QStringLiteral("0123456789abcdef0123456789abcdef"), QStringLiteral("Fuzz"), QVersionNumber(1, 5, 1),
        tessivar::device::ApplicationType_e::Server};
    return sender;
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
    const MessageCodec codec;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    auto parsed = codec.Parse(bytes);
    if (!parsed)
        return 0;
    auto message = codec.CreateMessage(parsed->second, parsed->first.id);
    if (!message || !*message)
        return 0;
    const QJsonObject body = (*message)->ToJson();
    QString printed;
    QDebug(&printed) << parsed->first << **message;

    // Whatever a message was read from, sending it and reading it back must give the
    // same message: the encodings of every field are each other's inverse.
    const std::optional<QByteArray> sent
        = codec.Serialize(**message, parsed->first.sequenceId, parsed->first.sequenceResponseId, localSender());
    if (!sent)
        std::abort();
    const auto reparsed = codec.Parse(*sent);
    if (!reparsed || reparsed->first.id != parsed->first.id || !(reparsed->first.sender == localSender()))
        std::abort();
    const auto recreated = codec.CreateMessage(reparsed->second, reparsed->first.id);
    if (!recreated || !*recreated || (*recreated)->ToJson() != body)
        std::abort();
    return 0;
}
