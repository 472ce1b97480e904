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
    // The PC's own zone as [region, area], where the editor starts; a zone id without a
    // region ("UTC") is found under "Etc". Empty when the lists hold no such zone.
    Q_INVOKABLE QStringList systemTimeZone() const;

private:
    QMap<QString, QStringList> m_zonesByRegion;
};
