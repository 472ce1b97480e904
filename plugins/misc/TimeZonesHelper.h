#pragma once

#include <QMap>
#include <QObject>
#include <QStringList>

// The time zones the PC knows, by region ("Europe") and area ("Paris"), for the clock
// editor's two combo boxes.
class TimeZonesHelper : public QObject
{
    Q_OBJECT

public:
    TimeZonesHelper();

    Q_INVOKABLE QStringList getTimeZoneRegions();
    // An unknown region is entered with an empty list and listed from then on.
    Q_INVOKABLE QStringList getTimeZonesForRegion(QString region);

private:
    QMap<QString, QStringList> m_zonesByRegion;
};
