#include "DisplayFileCache.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tessivar::client {

using devicecli::isPlainFileName;

namespace {

// Class ids are reverse domain names; anything else is kept out of the file system.
QString folderName(const QString& classId)
{
    QString name;
    for (const QChar c : classId)
        name.append(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_')
                        ? c
                        : QLatin1Char('_'));
    return name.left(200);
}

// One folder per set of files: a plugin update gives new checksums and a new folder.
QString checksumName(const ModuleDataClassInfo_t& info)
{
    QByteArray listed;
    for (const ModuleDataClassInfo_t::FileInfo_t& file : info.fileList)
        listed += file.fileName.toUtf8() + ':' + QByteArray::number(file.fileCrc) + '\n';
    return QString::number(checksum(listed), 16).rightJustified(4, QLatin1Char('0'));
}

} // namespace

DisplayFileCache::DisplayFileCache(const QString& root)
    : m_root(root.isEmpty()
                 ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/display-files")
                 : root)
{
}

QString DisplayFileCache::root() const
{
    return m_root.absolutePath();
}

QString DisplayFileCache::folderOf(const ModuleDataClassInfo_t& info) const
{
    return m_root.filePath(folderName(info.classId) + QLatin1Char('/') + checksumName(info));
}

bool DisplayFileCache::isComplete(const ModuleDataClassInfo_t& info) const
{
    if (info.fileList.isEmpty())
        return false;
    const QDir folder(folderOf(info));
    return std::all_of(info.fileList.cbegin(), info.fileList.cend(), [&folder](const auto& file) {
        QFile kept(folder.filePath(file.fileName));
        return isPlainFileName(file.fileName) && kept.size() <= kMaximumFileSize && kept.open(QIODevice::ReadOnly)
            && checksum(kept.readAll()) == file.fileCrc;
    });
}

QUrl DisplayFileCache::widgetUrl(const ModuleDataClassInfo_t& info) const
{
    if (!isComplete(info))
        return {};
    return QUrl::fromLocalFile(QDir(folderOf(info)).filePath(info.fileList.first().fileName));
}

void DisplayFileCache::expect(const ModuleDataClassInfo_t& info)
{
    m_expected.erase(std::remove_if(m_expected.begin(), m_expected.end(),
                                    [&info](const auto& known) { return known.classId == info.classId; }),
                     m_expected.end());
    m_expected.append(info);
}

QString DisplayFileCache::errorString() const
{
    return m_error;
}

DisplayFileCache::Step DisplayFileCache::fail(const QString& error)
{
    m_error = error;
    return Step::Failed;
}

DisplayFileCache::Step DisplayFileCache::receive(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    if (metaData.requestType != FileTransferRequestType_e::DataClassFiles)
        return Step::Ignored;
    constexpr quint16 kStatusStart = 0;
    if (metaData.status == kStatusStart) {
        QString classId;
        QDataStream stream(metaData.transferData);
        stream.setVersion(kDataStreamVersion);
        stream >> classId;
        if (stream.status() != QDataStream::Ok || classId.isEmpty()) {
            const QString error = QStringLiteral("The server sent %1 without its data class").arg(metaData.name);
            m_reception.fail(error);
            return fail(error);
        }
        m_currentClass = classId;
    }
    switch (m_reception.receive(metaData, data)) {
    case devicecli::FileReception::Step::Acknowledge:
        return Step::Acknowledge;
    case devicecli::FileReception::Step::Failed:
        return fail(m_reception.errorString());
    case devicecli::FileReception::Step::Ignored:
        return Step::Ignored;
    case devicecli::FileReception::Step::Received:
        break;
    }
    return keepFile(metaData);
}

DisplayFileCache::Step DisplayFileCache::keepFile(const FileTransferMetaData_t& metaData)
{
    const QByteArray content = m_reception.takeContent();
    const quint16 crc = checksum(content);
    const auto expected = std::find_if(m_expected.cbegin(), m_expected.cend(),
                                       [this](const auto& info) { return info.classId == m_currentClass; });
    const bool listed = expected != m_expected.cend()
        && expected->fileList.contains(ModuleDataClassInfo_t::FileInfo_t{metaData.name, crc});
    if (!listed)
        return fail(QStringLiteral("The server sent %1 of %2, which its catalogue does not list")
                        .arg(metaData.name, m_currentClass));
    const QDir folder(folderOf(*expected));
    if (!folder.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("Cannot create the folder %1").arg(folder.absolutePath()));
    QSaveFile file(folder.filePath(metaData.name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return metaData.index >= metaData.count ? Step::Done : Step::Acknowledge;
}

} // namespace tessivar::client
