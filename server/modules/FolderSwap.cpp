#include "modules/FolderSwap.h"

#include "core/Logging.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace tessivar {

namespace {

// A value that replaces a folder, or a folder that replaces anything, is written whole
// beside the old one under "<name>%new" and swapped in through "<name>%old"; a folder
// that goes is first renamed to "<name>%gone". An encoded key holds '%' only before two
// hex digits, so these names never clash with an entry.
const QString kNewSuffix = QStringLiteral("%new");
const QString kOldSuffix = QStringLiteral("%old");
const QString kGoneSuffix = QStringLiteral("%gone");

bool pathExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

bool FolderSwap::SwapIn(const QString& path, const std::function<bool(const QString&)>& write)
{
    const QString fresh = path + kNewSuffix;
    const QString old = path + kOldSuffix;
    if (!write(fresh)) {
        RemovePath(fresh);
        return false;
    }
    const bool hadOld = pathExists(path);
    if (hadOld && !QDir().rename(path, old)) {
        qCWarning(lcModules) << "Could not replace" << path;
        RemovePath(fresh);
        return false;
    }
    if (!QDir().rename(fresh, path)) {
        qCWarning(lcModules) << "Could not replace" << path;
        if (hadOld)
            QDir().rename(old, path);
        RemovePath(fresh);
        return false;
    }
    return !hadOld || RemovePath(old);
}

void FolderSwap::FinishSwap(const QString& path)
{
    const QString current = CurrentCopy(path);
    if (current != path && !QDir().rename(current, path))
        qCWarning(lcModules) << "Could not finish replacing" << path;
    for (const QString& suffix : {kNewSuffix, kOldSuffix, kGoneSuffix}) {
        if (pathExists(path + suffix))
            RemovePath(path + suffix);
    }
}

QString FolderSwap::CurrentCopy(const QString& path)
{
    if (!pathExists(path) && pathExists(path + kNewSuffix) && pathExists(path + kOldSuffix))
        return path + kNewSuffix;
    return path;
}

QString FolderSwap::NewName(const QString& name)
{
    return name + kNewSuffix;
}

QString FolderSwap::OldName(const QString& name)
{
    return name + kOldSuffix;
}

bool FolderSwap::IsSwapName(const QString& name)
{
    return name.endsWith(kNewSuffix) || name.endsWith(kOldSuffix) || name.endsWith(kGoneSuffix);
}

QString FolderSwap::StandsFor(const QString& path, const QString& name)
{
    if (!name.endsWith(kNewSuffix) || CurrentCopy(path.chopped(kNewSuffix.size())) != path)
        return {};
    return name.chopped(kNewSuffix.size());
}

bool FolderSwap::RemoveAside(const QString& path)
{
    if (!pathExists(path))
        return true;
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return QFile::remove(path);
    const QString gone = path + kGoneSuffix;
    if (!QDir().rename(path, gone))
        return RemovePath(path);
    return RemovePath(gone);
}

bool FolderSwap::RemovePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    if (info.exists() || info.isSymLink())
        return QFile::remove(path);
    return true;
}

bool FolderSwap::RemoveFolder(const QString& folderPath)
{
    const QFileInfo info(folderPath);
    // A link is removed, never what it points to: that is no block of ours.
    if (info.isSymLink())
        return QFile::remove(folderPath);
    if (!info.isDir())
        return true;
    const QString aside = info.absolutePath() + QLatin1Char('/') + RemovalName(info.fileName());
    RemovePath(aside);
    if (QDir().rename(folderPath, aside))
        return QDir(aside).removeRecursively();
    return QDir(folderPath).removeRecursively();
}

QString FolderSwap::StagingName(const QString& folderName)
{
    return folderName + QStringLiteral(".new");
}

QString FolderSwap::RemovalName(const QString& folderName)
{
    return folderName + QStringLiteral(".removed");
}

bool FolderSwap::IsUnfinishedFolderName(const QString& folderName)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+(-[0-9]+)?\\.(new|removed)$"));
    return pattern.match(folderName).hasMatch();
}

QString FolderSwap::StagedFolderTarget(const QString& folderName)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+(-[0-9]+)?)\\.new$"));
    const QRegularExpressionMatch match = pattern.match(folderName);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace tessivar
