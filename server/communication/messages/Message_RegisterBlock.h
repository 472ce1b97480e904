#pragma once

#include "communication/TessivarMessage.h"
#include "core/ModuleTypes.h"

#include <QVariantMap>
#include <QVersionNumber>
#include <memory>
#include <optional>

namespace tessivar::communication {

// Asks a device to create a block.
class Message_RegisterBlock : public TessivarMessage
{
public:
    Message_RegisterBlock(QString dataClassId, QString dataWidget, QVersionNumber serverVersion,
                          QVariantMap parameters, QVariantMap data, BlockCreationRequestId_t requestIndex);

    const QString& GetDataClassId() const;
    const QString& GetDataWidget() const;
    const QVersionNumber& GetServerVersion() const;
    const QVariantMap& GetParameters() const;
    const QVariantMap& GetData() const;
    BlockCreationRequestId_t GetRequestIndex() const;

    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    QString m_dataClassId;
    QString m_dataWidget;
    QVersionNumber m_serverVersion;
    QVariantMap m_parameters;
    QVariantMap m_data;
    BlockCreationRequestId_t m_requestIndex;
};

} // namespace tessivar::communication
