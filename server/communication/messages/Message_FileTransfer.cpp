#include "communication/messages/Message_FileTransfer.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

namespace {

QJsonObject metaDataToJson(const FileTransferMetaData_t& metaData)
{
    return QJsonObject{
        {QStringLiteral("Status"), int(metaData.status)},
        {QStringLiteral("RequestType"), int(metaData.requestType)},
        {QStringLiteral("Name"), metaData.name},
        {QStringLiteral("Size"), JsonValues::WriteDecimal(metaData.size)},
        {QStringLiteral("TransferedBytes"), JsonValues::WriteDecimal(metaData.transferredBytes)},
        {QStringLiteral("Crc"), int(metaData.crc)},
        {QStringLiteral("Count"), metaData.count},
        {QStringLiteral("Index"), metaData.index},
        {QStringLiteral("TransferData"), JsonValues::WriteBytes(metaData.transferData)},
    };
}

FileTransferMetaData_t metaDataFromJson(const QJsonObject& object)
{
    FileTransferMetaData_t metaData;
    metaData.status = JsonValues::ReadLow16(object.value(QLatin1StringView("Status")));
    metaData.requestType = FileTransferRequestType_e(JsonValues::ReadLow16(object.value(QLatin1StringView("RequestType"))));
    metaData.name = object.value(QLatin1StringView("Name")).toString();
    metaData.size = JsonValues::ReadDecimal(object.value(QLatin1StringView("Size")));
    metaData.transferredBytes = JsonValues::ReadDecimal(object.value(QLatin1StringView("TransferedBytes")));
    metaData.crc = JsonValues::ReadLow16(object.value(QLatin1StringView("Crc")));
    metaData.count = JsonValues::ReadInt(object.value(QLatin1StringView("Count")));
    metaData.index = JsonValues::ReadInt(object.value(QLatin1StringView("Index")));
    metaData.transferData = JsonValues::ReadBytes(object.value(QLatin1StringView("TransferData")));
    return metaData;
}

} // namespace

Message_FileTransfer::Message_FileTransfer(FileTransferMetaData_t metaData, QByteArray fileData)
    : TessivarMessage(MessageType_e::FileTransfer)
    , m_metaData(std::move(metaData))
    , m_fileData(std::move(fileData))
{
}

const FileTransferMetaData_t& Message_FileTransfer::GetMetaData() const
{
    return m_metaData;
}

const QByteArray& Message_FileTransfer::GetFileData() const
{
    return m_fileData;
}

QJsonObject Message_FileTransfer::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("TransferMetaData"), metaDataToJson(m_metaData)},
        {QStringLiteral("FileData"), JsonValues::WriteBytes(m_fileData)},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_FileTransfer::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_FileTransfer>(
        metaDataFromJson(body.value(QLatin1StringView("TransferMetaData")).toObject()),
        JsonValues::ReadBytes(body.value(QLatin1StringView("FileData"))));
}

} // namespace tessivar::communication
