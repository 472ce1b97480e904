#pragma once

#include "core/DeviceTypes.h"

#include <QDebug>
#include <QString>
#include <QVersionNumber>

namespace tessivar::communication {

// Who sends a message: the "Sender" of every envelope. The local side fills it from
// its own device (id, name, running version, application type).
struct MessageSender_t {
    device::NetworkDeviceId_t id;
    QString name;
    QVersionNumber softwareVersion;
    device::ApplicationType_e applicationType = device::ApplicationType_e::Unknown;

    bool operator==(const MessageSender_t& other) const
    {
        return id == other.id && name == other.name && softwareVersion == other.softwareVersion
            && applicationType == other.applicationType;
    }
};

// "MessageSender_t[Id=...,SoftwareVersion=...,ApplicationType=...]" (the name is not shown).
QDebug operator<<(QDebug debug, const MessageSender_t& sender);

} // namespace tessivar::communication
