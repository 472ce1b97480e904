#pragma once

#include "DeviceStatusModuleData.h"
#include "TessivarModuleInstance.h"

#include <QObject>
#include <QTimer>

// A device status light: once a second the heartbeat "Notify" flips; the device calls
// the server offline when it stops flipping.
class DeviceStatusModule : public QObject, public TessivarModuleInstance
{
    Q_OBJECT

public:
    // How often the heartbeat changes.
    static constexpr int kHeartbeatIntervalMs = 1000;

    DeviceStatusModule();

    QTimer& heartbeatTimer() { return m_timer; }

private:
    void beat();

    QTimer m_timer;
    DeviceStatusModuleData m_data;
};
