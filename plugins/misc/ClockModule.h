#pragma once

#include "ClockModuleData.h"
#include "TessivarModuleInstance.h"

#include <QTimer>

class QDateTime;

// A clock block. Once a second it tells the device the chosen zone's offset from UTC,
// so that daylight-saving changes reach it.
class ClockModule : public TessivarModuleInstance
{
public:
    // How often the offset is refreshed.
    static constexpr int kTickIntervalMs = 1000;

    ClockModule();

    // Sets "TimeOffset" to the zone's offset at `at`; an unknown zone gives 0.
    void updateTimeOffset(const QDateTime& at);

    QTimer& tickTimer() { return m_timer; }

private:
    ClockModuleData m_data;
    QTimer m_timer;
};
