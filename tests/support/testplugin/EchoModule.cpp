#include "EchoModule.h"

EchoModule::EchoModule()
    : TessivarModuleInstance(&m_data)
{
}

void EchoModule::processData(const QVariantMap& data)
{
    if (data.contains(QStringLiteral("Value")))
        m_data.setClientData(QStringLiteral("Value"), data.value(QStringLiteral("Value")));
    if (data.contains(QStringLiteral("Notify")))
        sendNotification(data.value(QStringLiteral("Notify")).toString(), 1500);
    if (data.contains(QStringLiteral("Title")))
        m_data.setLocalTitle(data.value(QStringLiteral("Title")).toString());
}
