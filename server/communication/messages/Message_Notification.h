#pragma once

#include "communication/TessivarMessage.h"

#include <memory>
#include <optional>

namespace tessivar::communication {

// A text for the device to show for a while.
class Message_Notification : public TessivarMessage
{
public:
    Message_Notification(QString text, qint32 duration);

    const QString& GetText() const;
    qint32 GetDuration() const;

    void Print(QDebug& debug) const override;
    QJsonObject ToJson() const override;
    static std::optional<std::unique_ptr<IMessage>> FromJson(const QJsonObject& body);

private:
    QString m_text;
    qint32 m_duration;
};

} // namespace tessivar::communication
