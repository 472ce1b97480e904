#include "LogDownload.h"

#include "core/ApplicationConstants.h"

#include <QSaveFile>

namespace tessivar::devicecli {

namespace {

constexpr quint16 kStatusStart = 0;
constexpr quint16 kStatusData = 1;
constexpr quint16 kStatusEnd = 2;

// The server names its files; a name must not climb out of the chosen folder.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

} // namespace

LogDownload::LogDownload(const QString& folder)
    : m_folder(folder)
{
}

bool LogDownload::prepare()
{
    if (!m_folder.mkpath(QStringLiteral("."))) {
        m_error = QStringLiteral("Cannot create the folder %1").arg(m_folder.absolutePath());
        return false;
    }
    return true;
}

LogDownload::Step LogDownload::fail(const QString& error)
{
    m_error = error;
    m_current.reset();
    m_content.clear();
    return Step::Failed;
}

LogDownload::Step LogDownload::receive(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    if (metaData.requestType != FileTransferRequestType_e::LogFiles)
        return Step::Ignored;
    switch (metaData.status) {
    case kStatusStart:
        if (!isPlainFileName(metaData.name))
            return fail(QStringLiteral("The server sent a file with the name \"%1\"").arg(metaData.name));
        if (metaData.size > kMaximumFileSize)
            return fail(QStringLiteral("The server announced %1 bytes for %2").arg(metaData.size).arg(metaData.name));
        m_current = metaData;
        m_content.clear();
        m_content.reserve(static_cast<qsizetype>(metaData.size));
        return Step::Acknowledge;
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

LogDownload::Step LogDownload::finishFile(const FileTransferMetaData_t& metaData)
{
    if (!m_current || m_current->name != metaData.name)
        return fail(QStringLiteral("The server ended %1 before announcing it").arg(metaData.name));
    const quint16 crc = checksum(m_content);
    if (crc != m_current->crc || static_cast<quint32>(m_content.size()) != m_current->size)
        return fail(QStringLiteral("%1 arrived damaged: checksum %2, expected %3")
                        .arg(metaData.name)
                        .arg(crc)
                        .arg(m_current->crc));
    QSaveFile file(m_folder.filePath(metaData.name));
    if (!file.open(QIODevice::WriteOnly) || file.write(m_content) != m_content.size() || !file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
    m_written.append(file.fileName());
    m_current.reset();
    m_content.clear();
    return metaData.index >= metaData.count ? Step::Done : Step::Acknowledge;
}

QString LogDownload::errorString() const
{
    return m_error;
}

QStringList LogDownload::writtenFiles() const
{
    return m_written;
}

} // namespace tessivar::devicecli
