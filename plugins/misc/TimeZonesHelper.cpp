#include "TimeZonesHelper.h"

#include <QTimeZone>

TimeZonesHelper::TimeZonesHelper()
{
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) {
        const QString zone = QString::fromUtf8(id);
        const qsizetype slash = zone.indexOf(QLatin1Char('/'));
        if (slash < 0)
            continue;
        m_zonesByRegion[zone.left(slash)].append(zone.mid(slash + 1));
    }
    // The PC's own zone is offered even where the zone tables leave it out ("Etc/UTC").
    const QString own = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    const qsizetype slash = own.indexOf(QLatin1Char('/'));
    if (slash > 0 && !m_zonesByRegion.value(own.left(slash)).contains(own.mid(slash + 1)))
        m_zonesByRegion[own.left(slash)].append(own.mid(slash + 1));
}

QStringList TimeZonesHelper::systemTimeZone() const
{
    const QString id = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    const QString region = slash < 0 ? QStringLiteral("Etc") : id.left(slash);
    const QString area = slash < 0 ? id : id.mid(slash + 1);
    if (!m_zonesByRegion.value(region).contains(area))
        return {};
    return {region, area};
}

QStringList TimeZonesHelper::getTimeZoneRegions()
{
    return m_zonesByRegion.keys();
}

QStringList TimeZonesHelper::getTimeZonesForRegion(QString region)
{
    return m_zonesByRegion[region];
}
