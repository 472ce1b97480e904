#include "ModuleTestSupport.h"

#include "core/ApplicationConstants.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>

namespace tessivar::test {

bool installPlugin(const QString& libraryPath, const QString& folder)
{
    const QString target = QDir::currentPath() + QStringLiteral("/plugins/") + folder;
    return QDir().mkpath(target) && QFile::copy(libraryPath, target + QLatin1Char('/') + pluginFileName());
}

QVariant readStoredValue(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_5_15);
    QVariant value;
    in >> value;
    return in.status() == QDataStream::Ok ? value : QVariant();
}

bool writeStoredValue(const QString& path, const QVariant& value)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_5_15);
    out << value;
    return out.status() == QDataStream::Ok;
}

QStringList filesBelow(const QString& folder)
{
    // Absolute paths: QDir::relativeFilePath leaves a relative path as it is.
    QStringList files;
    const QDir root(QFileInfo(folder).absoluteFilePath());
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(root.relativeFilePath(it.next()));
    files.sort();
    return files;
}

void ageFiles(const QString& folder, const QDateTime& time)
{
    for (const QString& name : filesBelow(folder)) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(time, QFileDevice::FileModificationTime);
    }
}

QStringList filesChangedSince(const QString& folder, const QDateTime& time)
{
    QStringList changed;
    for (const QString& name : filesBelow(folder)) {
        if (QFileInfo(QDir(folder).filePath(name)).lastModified() != time)
            changed.append(name);
    }
    return changed;
}

PluginEnvironment::PluginEnvironment()
    : configuration(std::make_unique<Configuration>(folder.filePath(QStringLiteral("config"))))
    , plugins(std::make_unique<PluginManager>(*configuration))
{
    installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test"));
    plugins->LoadPlugins();
}

} // namespace tessivar::test
