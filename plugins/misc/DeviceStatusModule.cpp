#include "DeviceStatusModule.h"

DeviceStatusModule::DeviceStatusModule()
    : TessivarModuleInstance(&m_data)
{
    connect(&m_timer, &QTimer::timeout, this, &DeviceStatusModule::beat);
    m_timer.start(kHeartbeatIntervalMs);
}

void DeviceStatusModule::beat()
{
    m_data.setClientData(QStringLiteral("Notify"), !m_data.getClientData(QStringLiteral("Notify")).toBool());
}
