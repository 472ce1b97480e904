#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

class QDebug;

namespace tessivar::device {

// Identifier of a device; a generated one is 32 lowercase hexadecimal characters.
using NetworkDeviceId_t = QString;

// The kind of application a peer runs; travels as a 32-bit value.
enum ApplicationType_e : qint32 {
    Unknown = 0,
    Client = 1,
    Server = 2,
    Helper = 3,
};

// The platform a peer runs on; the text forms are "windows", "android", "ios".
enum class ApplicationPlatform_e : qint32 {
    Windows = 1,
    Android = 2,
    Ios = 3,
};

// "Unknown", "Client", "Server" or "Helper"; any other value is "Unknown".
QString applicationTypeName(ApplicationType_e type);
QDebug operator<<(QDebug debug, ApplicationType_e type);

// The text form used in messages: "windows", "android" or "ios".
QString applicationPlatformName(ApplicationPlatform_e platform);
// The platform of a text form; empty for any other text.
std::optional<ApplicationPlatform_e> applicationPlatformFromName(const QString& name);

} // namespace tessivar::device

using NetworkDeviceId_t = tessivar::device::NetworkDeviceId_t;
