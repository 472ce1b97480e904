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
}

QStringList TimeZonesHelper::getTimeZoneRegions()
{
    return m_zonesByRegion.keys();
}

QStringList TimeZonesHelper::getTimeZonesForRegion(QString region)
{
    return m_zonesByRegion[region];
}
