#include "DisplayFileCache.h"

#include "core/ApplicationConstants.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tessivar::client {

namespace {

constexpr quint16 kStatusStart = 0;
constexpr quint16 kStatusData = 1;
constexpr quint16 kStatusEnd = 2;

// Names come from the server: none may climb out of its class's folder.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name.size() <= 255 && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

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
    m_current.reset();
    m_content.clear();
    return Step::Failed;
}

DisplayFileCache::Step DisplayFileCache::receive(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    if (metaData.requestType != FileTransferRequestType_e::DataClassFiles)
        return Step::Ignored;
    switch (metaData.status) {
    case kStatusStart: {
        QString classId;
        QDataStream stream(metaData.transferData);
        stream.setVersion(kDataStreamVersion);
        stream >> classId;
        if (stream.status() != QDataStream::Ok || classId.isEmpty())
            return fail(QStringLiteral("The server sent %1 without its data class").arg(metaData.name));
        if (!isPlainFileName(metaData.name))
            return fail(QStringLiteral("The server sent a file with the name \"%1\"").arg(metaData.name));
        if (metaData.size > kMaximumFileSize)
            return fail(QStringLiteral("The server announced %1 bytes for %2").arg(metaData.size).arg(metaData.name));
        m_current = metaData;
        m_currentClass = classId;
        m_content.clear();
        m_content.reserve(static_cast<qsizetype>(metaData.size));
        return Step::Acknowledge;
    }
    case kStatusData:
        if (!m_current || m_current->name != metaData.name)
            return fail(QStringLiteral("The server sent data of %1 before announcing it").arg(metaData.name));
        if (static_cast<quint64>(m_content.size()) + static_cast<quint64>(data.size()) > m_current->size)
            return fail(
                QStringLiteral("The server sent more than the %1 bytes of %2").arg(m_current->size).arg(metaData.name));
        m_content.append(data);
        return Step::Acknowledge;
    case kStatusEnd:
        return finishFile(metaData);
    default:
        return Step::Ignored;
    }
}

DisplayFileCache::Step DisplayFileCache::finishFile(const FileTransferMetaData_t& metaData)
{
    if (!m_current || m_current->name != metaData.name)
        return fail(QStringLiteral("The server ended %1 before announcing it").arg(metaData.name));
    const quint16 crc = checksum(m_content);
    if (crc != m_current->crc || static_cast<quint32>(m_content.size()) != m_current->size)
        return fail(QStringLiteral("%1 arrived damaged: checksum %2, expected %3")
                        .arg(metaData.name)
                        .arg(crc)
                        .arg(m_current->crc));
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
    if (!file.open(QIODevice::WriteOnly) || file.write(m_content) != m_content.size() || !file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
    m_current.reset();
    m_content.clear();
    return metaData.index >= metaData.count ? Step::Done : Step::Acknowledge;
}

} // namespace tessivar::client
