#pragma once

#include "communication/TessivarMessage.h"
#include "core/DeviceTypes.h"
#include "core/ModuleDataClassInfo.h"

#include <QList>
#include <QVersionNumber>
#include <memory>
#include <optional>

namespace tessivar::communication {

// Registration data of a device, with the module data classes it can display.
class Message_RegisterDevice : public TessivarMessage
{
public:
    Message_RegisterDevice(QString name, device::ApplicationType_e applicationType,
                           QVersionNumber softwareVersion, QList<ModuleDataClassInfo_t> dataClassInfoList);

    const QString& GetName() const;
    device::ApplicationType_e GetApplicationType() const;
    const QVersionNumber& GetSoftwareVersion() const;
    const QList<ModuleDataClassInfo_t>& GetDataClassInfoList() const;

    void Print(QDebug& debug) const override;
    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    QString m_name;
    device::ApplicationType_e m_applicationType;
    QVersionNumber m_softwareVersion;
    QList<ModuleDataClassInfo_t> m_dataClassInfoList;
};

} // namespace tessivar::communication
