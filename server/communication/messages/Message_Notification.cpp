#include "communication/messages/Message_Notification.h"

#include "communication/JsonValues.h"

namespace tessivar::communication {

Message_Notification::Message_Notification(QString text, qint32 duration)
    : TessivarMessage(MessageType_e::Notification)
    , m_text(std::move(text))
    , m_duration(duration)
{
}

const QString& Message_Notification::GetText() const
{
    return m_text;
}

qint32 Message_Notification::GetDuration() const
{
    return m_duration;
}

void Message_Notification::Print(QDebug& debug) const
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "Notification[text=\"" << m_text << "\",duration=" << m_duration << "]";
}

QJsonObject Message_Notification::ToJson() const
{
    return QJsonObject{{QStringLiteral("Text"), m_text}, {QStringLiteral("Duration"), m_duration}};
}

std::optional<std::unique_ptr<IMessage>> Message_Notification::FromJson(const QJsonObject& body)
{
    return std::make_unique<Message_Notification>(body.value(QLatin1StringView("Text")).toString(),
                                                  JsonValues::ReadInt(body.value(QLatin1StringView("Duration"))));
}

} // namespace tessivar::communication
