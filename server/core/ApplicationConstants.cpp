#include "core/ApplicationConstants.h"

#include "platform/PlatformNames.h"

#include <QCoreApplication>
#include <QDir>

namespace tessivar {

QString moduleDirectory()
{
    return QDir::currentPath() + QStringLiteral("/modules/");
}

QString pluginFileName()
{
    return QString::fromLatin1(platform::kPluginFileName);
}

QString helperProgramPath()
{
    const QString directory = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                            : QDir::currentPath();
    return QDir::toNativeSeparators(directory) + QDir::separator()
        + QString::fromLatin1(platform::kHelperProgramName) + QString::fromLatin1(platform::kExecutableSuffix);
}

} // namespace tessivar
