#pragma once

#include "communication/FileTransferMetaData.h"
#include "communication/TessivarMessage.h"

#include <QByteArray>
#include <memory>
#include <optional>

namespace tessivar::communication {

// One step of a file transfer: its metadata and one piece of file data.
class Message_FileTransfer : public TessivarMessage
{
public:
    Message_FileTransfer(FileTransferMetaData_t metaData, QByteArray fileData);

    const FileTransferMetaData_t& GetMetaData() const;
    const QByteArray& GetFileData() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    FileTransferMetaData_t m_metaData;
    QByteArray m_fileData;
};

} // namespace tessivar::communication
