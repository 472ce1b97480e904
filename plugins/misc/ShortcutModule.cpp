#include "ShortcutModule.h"

#include "platform/ShortcutOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>

ShortcutModule::ShortcutModule()
    : TessivarModuleInstance(&m_data)
{
    connect(&m_data, &ShortcutModuleData::selectedIconChanged, this, &ShortcutModule::onSelectedIconChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ShortcutModule::onDirectoryChanged);
}

ShortcutModule::Launch ShortcutModule::launchFor() const
{
    Launch launch;
    launch.program = m_data.getLocalParameter(QStringLiteral("ProgramPath")).toString();
    const QString oldArguments = m_data.getLocalParameter(QStringLiteral("Arguments")).toString();
    launch.arguments = oldArguments.isEmpty() ? m_data.getLocalParameter(QStringLiteral("ArgumentList")).toStringList()
                                              : QStringList{oldArguments};
    launch.arguments.removeAll(QString());

    const QFileInfo info(launch.program);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        if (!target.isEmpty()) {
            launch.program = target;
        } else {
            // A shortcut to something that is no file: the desktop opens the shortcut.
            launch.program = QString::fromLatin1(tessivar::platform::kShortcutOpenerProgram);
            launch.arguments = QStringList{QDir::toNativeSeparators(info.absoluteFilePath())};
        }
        qInfo() << "Program resolved to " << launch.program;
    }
    return launch;
}

void ShortcutModule::processData(const QVariantMap&)
{
    qInfo() << "Running shortcut" << m_data.getLocalParameter(QStringLiteral("ProgramPath")).toString();
    const Launch launch = launchFor();
    if (!launch.arguments.isEmpty()) {
        qInfo() << "Arguments";
        for (const QString& argument : launch.arguments)
            qInfo() << argument;
    }
    QProcess::startDetached(launch.program, launch.arguments, QString());
}

void ShortcutModule::onSelectedIconChanged(const QUrl& url)
{
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    const QFileInfo file(url.toLocalFile());
    if (url.isEmpty() || !file.exists())
        return;
    m_watcher.addPath(file.absolutePath());
    updateIcon(url);
}

void ShortcutModule::onDirectoryChanged()
{
    const QUrl url(m_data.getLocalParameter(QStringLiteral("IconPath")).toString());
    // A deleted or moved image leaves the last icon in place.
    if (!url.isEmpty() && QFileInfo::exists(url.toLocalFile()))
        updateIcon(url);
}

void ShortcutModule::updateIcon(const QUrl& url)
{
    const QString icon = m_data.helper().getImageBase64(url);
    if (icon != m_data.getClientParameter(QStringLiteral("Icon")).toString())
        m_data.setClientParameter(QStringLiteral("Icon"), icon);
}
