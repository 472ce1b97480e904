#pragma once

#include "communication/FileTransferMetaData.h"
#include "communication/TessivarMessage.h"

#include <QByteArray>
#include <memory>
#include <optional>

namespace tessivar::communication {

// A device asks for a transfer: its logs, its settings, or data class files.
class Message_FileTransferRequest : public TessivarMessage
{
public:
    Message_FileTransferRequest(FileTransferRequestType_e requestType, QByteArray requestData);

    FileTransferRequestType_e GetRequestType() const;
    const QByteArray& GetRequestData() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    FileTransferRequestType_e m_requestType;
    QByteArray m_requestData;
};

} // namespace tessivar::communication
