#include "communication/messages/Message_RegisterDevice.h"

#include "communication/JsonValues.h"

#include <QJsonArray>

namespace tessivar::communication {

namespace {

QJsonObject fileInfoToJson(const ModuleDataClassInfo_t::FileInfo_t& file)
{
    return QJsonObject{{QStringLiteral("FileName"), file.fileName}, {QStringLiteral("FileCrc"), int(file.fileCrc)}};
}

ModuleDataClassInfo_t::FileInfo_t fileInfoFromJson(const QJsonObject& object)
{
    return ModuleDataClassInfo_t::FileInfo_t{object.value(QLatin1StringView("FileName")).toString(),
                                             JsonValues::ReadLow16(object.value(QLatin1StringView("FileCrc")))};
}

QJsonObject dataClassToJson(const ModuleDataClassInfo_t& dataClass)
{
    QJsonArray files;
    for (const ModuleDataClassInfo_t::FileInfo_t& file : dataClass.fileList)
        files.append(fileInfoToJson(file));
    return QJsonObject{{QStringLiteral("ClassId"), dataClass.classId}, {QStringLiteral("FileInfoList"), files}};
}

ModuleDataClassInfo_t dataClassFromJson(const QJsonObject& object)
{
    ModuleDataClassInfo_t dataClass;
    dataClass.classId = object.value(QLatin1StringView("ClassId")).toString();
    const QJsonArray files = object.value(QLatin1StringView("FileInfoList")).toArray();
    for (const QJsonValue& file : files)
        dataClass.fileList.append(fileInfoFromJson(file.toObject()));
    return dataClass;
}

} // namespace

Message_RegisterDevice::Message_RegisterDevice(QString name, device::ApplicationType_e applicationType,
                                               QVersionNumber softwareVersion,
                                               QList<ModuleDataClassInfo_t> dataClassInfoList)
    : TessivarMessage(MessageType_e::RegisterDevice)
    , m_name(std::move(name))
    , m_applicationType(applicationType)
    , m_softwareVersion(std::move(softwareVersion))
    , m_dataClassInfoList(std::move(dataClassInfoList))
{
}

const QString& Message_RegisterDevice::GetName() const
{
    return m_name;
}

device::ApplicationType_e Message_RegisterDevice::GetApplicationType() const
{
    return m_applicationType;
}

const QVersionNumber& Message_RegisterDevice::GetSoftwareVersion() const
{
    return m_softwareVersion;
}

const QList<ModuleDataClassInfo_t>& Message_RegisterDevice::GetDataClassInfoList() const
{
    return m_dataClassInfoList;
}

void Message_RegisterDevice::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "RegisterDevice[Name=" << m_name
                              << ", SoftwareVersion=" << m_softwareVersion.toString() << "]";
}

QJsonObject Message_RegisterDevice::ToJson() const
{
    QJsonArray dataClasses;
    for (const ModuleDataClassInfo_t& dataClass : m_dataClassInfoList)
        dataClasses.append(dataClassToJson(dataClass));
    return QJsonObject{
        {QStringLiteral("Name"), m_name},
        {QStringLiteral("ApplicationType"), JsonValues::WriteApplicationType(m_applicationType)},
        {QStringLiteral("SoftwareVersion"), JsonValues::WriteVersion(m_softwareVersion)},
        {QStringLiteral("ModuleDataInfoList"), dataClasses},
    };
}

std::optional<std::unique_ptr<IMessage>> Message_RegisterDevice::FromJson(const QJsonObject& body)
{
    QList<ModuleDataClassInfo_t> dataClasses;
    const QJsonArray list = body.value(QLatin1StringView("ModuleDataInfoList")).toArray();
    for (const QJsonValue& dataClass : list)
        dataClasses.append(dataClassFromJson(dataClass.toObject()));
    return std::make_unique<Message_RegisterDevice>(
        body.value(QLatin1StringView("Name")).toString(),
        JsonValues::ReadApplicationType(body.value(QLatin1StringView("ApplicationType"))),
        JsonValues::ReadVersion(body.value(QLatin1StringView("SoftwareVersion"))), std::move(dataClasses));
}

} // namespace tessivar::communication
