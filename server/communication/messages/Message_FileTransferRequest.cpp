#include "communication/messages/Message_FileTransferRequest.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_FileTransferRequest::Message_FileTransferRequest(FileTransferRequestType_e requestType,
                                                         QByteArray requestData)
    : TessivarMessage(MessageType_e::FileTransferRequest)
    , m_requestType(requestType)
    , m_requestData(std::move(requestData))
{
}

FileTransferRequestType_e Message_FileTransferRequest::GetRequestType() const
{
    return m_requestType;
}

const QByteArray& Message_FileTransferRequest::GetRequestData() const
{
    return m_requestData;
}

QJsonObject Message_FileTransferRequest::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("RequestType"), int(m_requestType)},
        {QStringLiteral("RequestData"), JsonValues::WriteBytes(m_requestData)},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_FileTransferRequest::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_FileTransferRequest>(
        FileTransferRequestType_e(JsonValues::ReadLow16(body.value(QLatin1StringView("RequestType")))),
        JsonValues::ReadBytes(body.value(QLatin1StringView("RequestData"))));
}

} // namespace tessivar::communication
