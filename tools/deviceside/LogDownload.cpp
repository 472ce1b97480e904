#include "LogDownload.h"

#include <QSaveFile>

namespace tessivar::devicecli {

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
    return Step::Failed;
}

LogDownload::Step LogDownload::receive(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    if (metaData.requestType != FileTransferRequestType_e::LogFiles)
        return Step::Ignored;
    switch (m_reception.receive(metaData, data)) {
    case FileReception::Step::Acknowledge:
        return Step::Acknowledge;
    case FileReception::Step::Failed:
        return fail(m_reception.errorString());
    case FileReception::Step::Ignored:
        return Step::Ignored;
    case FileReception::Step::Received:
        break;
    }
    return writeFile(metaData);
}

LogDownload::Step LogDownload::writeFile(const FileTransferMetaData_t& metaData)
{
    const QByteArray content = m_reception.takeContent();
    QSaveFile file(m_folder.filePath(metaData.name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
    m_written.append(file.fileName());
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
