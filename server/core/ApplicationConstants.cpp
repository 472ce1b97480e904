#include "core/ApplicationConstants.h"

#include "core/ApplicationPaths.h"

#include "platform/PlatformNames.h"

#include <QCoreApplication>
#include <QDir>

namespace tessivar {

QString moduleDirectory()
{
    return ApplicationPaths::instance().moduleDirectory();
}

QString pluginFileName()
{
    return QString::fromLatin1(platform::kPluginFileName);
}

QString helperProgramPath()
{
    const QString directory
        = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::toNativeSeparators(directory) + QDir::separator() + QString::fromLatin1(platform::kHelperProgramName)
        + QString::fromLatin1(platform::kExecutableSuffix);
}

} // namespace tessivar
