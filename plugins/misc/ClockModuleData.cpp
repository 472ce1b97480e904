#include "ClockModuleData.h"

#include "MiscModuleIds.h"

#include <QColor>
#include <QTimeZone>

ClockModuleData::ClockModuleData()
    : TessivarModuleInstanceData(kClockModuleId)
{
    const QString systemZone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    const qsizetype slash = systemZone.indexOf(QLatin1Char('/'));
    setLocalParameter(QStringLiteral("TimeZoneRegion"), slash < 0 ? QString() : systemZone.left(slash));
    setLocalParameter(QStringLiteral("TimeZoneArea"), slash < 0 ? QString() : systemZone.mid(slash + 1));
    setClientParameter(QStringLiteral("ClockType"), 0);
    setClientParameter(QStringLiteral("TextColorType"), 0);
    setClientParameter(QStringLiteral("TextColor"), QColor(Qt::black));
    setClientParameter(QStringLiteral("ShowTime"), true);
    setClientParameter(QStringLiteral("TimeFormat"), QStringLiteral("hh:mm:ss"));
    setClientParameter(QStringLiteral("ShowDate"), false);
    setClientParameter(QStringLiteral("DateFormat"), QStringLiteral("dd/MM/yyyy"));
    setClientParameter(QStringLiteral("DatePosition"), 1);
    setClientParameter(QStringLiteral("DateSize"), 20);
    setClientData(QStringLiteral("TimeOffset"), 0);
    addHelper(QStringLiteral("TimeZones"), &m_timeZones);
}
