#include "core/DeviceTypes.h"

#include <QDebug>

namespace tessivar::device {

QString applicationTypeName(ApplicationType_e type)
{
    switch (type) {
    case ApplicationType_e::Client:
        return QStringLiteral("Client");
    case ApplicationType_e::Server:
        return QStringLiteral("Server");
    case ApplicationType_e::Helper:
        return QStringLiteral("Helper");
    case ApplicationType_e::Unknown:
        break;
    }
    return QStringLiteral("Unknown");
}

QDebug operator<<(QDebug debug, ApplicationType_e type)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << applicationTypeName(type);
    return debug;
}

QString applicationPlatformName(ApplicationPlatform_e platform)
{
    switch (platform) {
    case ApplicationPlatform_e::Windows:
        return QStringLiteral("windows");
    case ApplicationPlatform_e::Android:
        return QStringLiteral("android");
    case ApplicationPlatform_e::Ios:
        return QStringLiteral("ios");
    }
    return {};
}

std::optional<ApplicationPlatform_e> applicationPlatformFromName(const QString& name)
{
    for (auto platform : {ApplicationPlatform_e::Windows, ApplicationPlatform_e::Android, ApplicationPlatform_e::Ios}) {
        if (name == applicationPlatformName(platform))
            return platform;
    }
    return std::nullopt;
}

} // namespace tessivar::device
