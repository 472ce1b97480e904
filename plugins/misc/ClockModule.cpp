#include "ClockModule.h"

#include <QDateTime>
#include <QTimeZone>

ClockModule::ClockModule()
    : TessivarModuleInstance(&m_data)
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] { updateTimeOffset(QDateTime::currentDateTime()); });
    m_timer.start(kTickIntervalMs);
}

void ClockModule::updateTimeOffset(const QDateTime& at)
{
    const QString zoneId
        = QStringLiteral("%1/%2").arg(m_data.getLocalParameter(QStringLiteral("TimeZoneRegion")).toString(),
                                      m_data.getLocalParameter(QStringLiteral("TimeZoneArea")).toString());
    const QTimeZone zone(zoneId.toUtf8());
    const int offsetSeconds = zone.isValid() ? zone.offsetFromUtc(at) : 0;
    m_data.setClientData(QStringLiteral("TimeOffset"), offsetSeconds * 1000);
}
