#include "FileReception.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"

namespace tessivar::devicecli {

namespace {
constexpr quint16 kStatusStart = 0;
constexpr quint16 kStatusData = 1;
constexpr quint16 kStatusEnd = 2;
// File systems take names of up to 255 characters.
constexpr qsizetype kMaximumNameLength = 255;
} // namespace

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name.size() <= kMaximumNameLength && name != QLatin1String(".")
        && name != QLatin1String("..") && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

FileReception::FileReception(quint32 maximumFileSize)
    : m_maximumFileSize(maximumFileSize)
{
}

FileReception::Step FileReception::fail(const QString& error)
{
    m_error = error;
    m_current.reset();
    m_content.clear();
    return Step::Failed;
}

FileReception::Step FileReception::receive(const FileTransferMetaData_t& metaData, const QByteArray& data)
{
    switch (metaData.status) {
    case kStatusStart:
        if (!isPlainFileName(metaData.name))
            return fail(QStringLiteral("The server sent a file with the name \"%1\"").arg(metaData.name));
        if (metaData.size > m_maximumFileSize)
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
        return finish(metaData);
    default:
        return Step::Ignored;
    }
}

FileReception::Step FileReception::finish(const FileTransferMetaData_t& metaData)
{
    if (!m_current || m_current->name != metaData.name)
        return fail(QStringLiteral("The server ended %1 before announcing it").arg(metaData.name));
    const quint16 crc = checksum(m_content);
    if (crc != m_current->crc || static_cast<quint32>(m_content.size()) != m_current->size)
        return fail(QStringLiteral("%1 arrived damaged: checksum %2, expected %3")
                        .arg(metaData.name)
                        .arg(crc)
                        .arg(m_current->crc));
    m_current.reset();
    return Step::Received;
}

QByteArray FileReception::takeContent()
{
    return std::exchange(m_content, QByteArray());
}

QString FileReception::errorString() const
{
    return m_error;
}

} // namespace tessivar::devicecli
