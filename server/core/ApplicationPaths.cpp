#include "core/ApplicationPaths.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "platform/ExecutablePath.h"
#include "platform/Privileges.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

// The plugin folder of an installed program, relative to the program's folder; the
// build sets it from the install layout.
#ifndef TESSIVAR_INSTALLED_PLUGIN_DIR
#define TESSIVAR_INSTALLED_PLUGIN_DIR "../lib/tessivar/plugins"
#endif

namespace tessivar {

namespace {

QString programDirectory()
{
    const QString path = QString::fromStdString(platform::executablePath());
    if (!path.isEmpty())
        return QFileInfo(path).absolutePath();
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

// The user's data folder. The settings are read before the application object exists,
// so the names that the folder is built from are set here when main has not set them yet.
QString userDataDirectory()
{
    if (QCoreApplication::organizationName().isEmpty())
        QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    if (QCoreApplication::applicationName().isEmpty())
        QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

} // namespace

const ApplicationPaths& ApplicationPaths::instance()
{
    static const ApplicationPaths paths = [] {
        const QString program = programDirectory();
        const Layout layout = layoutOf(program);
        if (layout == Layout::BesideProgram)
            return ApplicationPaths(layout, program, QString());
        const QString data = userDataDirectory();
        if (!QDir().mkpath(data))
            qCWarning(lcCore) << "Data folder not created:" << data;
        return ApplicationPaths(layout, program, data);
    }();
    return paths;
}

ApplicationPaths::ApplicationPaths(Layout layout, const QString& programDirectory, const QString& dataDirectory,
                                   System system)
    : m_layout(layout)
    , m_system(system)
    , m_programDirectory(programDirectory)
    , m_dataDirectory(dataDirectory)
{
}

ApplicationPaths::Layout ApplicationPaths::layoutOf(const QString& programDirectory)
{
    // Trying is the only answer that holds everywhere: access rights, access control
    // lists and read-only mounts alike.
    QTemporaryFile probe(programDirectory + QStringLiteral("/.tessivar-write-probe-XXXXXX"));
    return probe.open() ? Layout::BesideProgram : Layout::Installed;
}

QString ApplicationPaths::settingsFileOfProgram(const QString& programDirectory)
{
    const platform::InvokingUser user = platform::invokingUser();
    if (!user.found) {
        if (layoutOf(programDirectory) == Layout::BesideProgram)
            return programDirectory + QStringLiteral("/config");
        return ApplicationPaths(Layout::Installed, programDirectory, userDataDirectory()).settingsFilePath();
    }
    // Root may write everywhere: only the user's own rights say which layout the user's
    // program takes.
    Layout layout = Layout::Installed;
    if (!platform::runAsUser(user, [&] { layout = layoutOf(programDirectory); })) {
        qCWarning(lcCore) << "Could not take the rights of user" << user.uid;
        return {};
    }
    if (layout == Layout::BesideProgram)
        return programDirectory + QStringLiteral("/config");
    // pkexec resets the environment, so the user's XDG_DATA_HOME is not known; its
    // default is the one QStandardPaths takes.
    userDataDirectory();
    const QString data = QString::fromStdString(user.home) + QStringLiteral("/.local/share/")
        + QCoreApplication::organizationName() + QLatin1Char('/') + QCoreApplication::applicationName();
    return ApplicationPaths(Layout::Installed, programDirectory, data).settingsFilePath();
}

ApplicationPaths::Layout ApplicationPaths::layout() const
{
    return m_layout;
}

QString ApplicationPaths::dataDirectory() const
{
    return m_layout == Layout::Installed ? m_dataDirectory : QDir::currentPath();
}

QString ApplicationPaths::settingsFilePath() const
{
    return dataDirectory() + QStringLiteral("/config");
}

QString ApplicationPaths::logDirectory() const
{
    return dataDirectory() + QStringLiteral("/log/");
}

QString ApplicationPaths::moduleDirectory() const
{
    return dataDirectory() + QStringLiteral("/modules/");
}

QString ApplicationPaths::pluginDirectory() const
{
    if (m_system == System::Windows)
        return QDir::cleanPath(m_programDirectory + QStringLiteral("/plugins")) + QLatin1Char('/');
    if (m_layout == Layout::BesideProgram)
        return QString::fromLatin1(kPluginDirectory);
    return QDir::cleanPath(m_programDirectory + QLatin1Char('/') + QStringLiteral(TESSIVAR_INSTALLED_PLUGIN_DIR))
        + QLatin1Char('/');
}

} // namespace tessivar
