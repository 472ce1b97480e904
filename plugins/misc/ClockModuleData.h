#pragma once

#include "TessivarModuleInstanceData.h"
#include "TimeZonesHelper.h"

// Parameters of a clock: the zone (local "TimeZoneRegion" and "TimeZoneArea"), how the
// time and date look (client parameters), and the zone's offset from UTC in
// milliseconds (client data "TimeOffset"), from which the device computes the time.
class ClockModuleData : public TessivarModuleInstanceData
{
public:
    ClockModuleData();

private:
    TimeZonesHelper m_timeZones;
};
