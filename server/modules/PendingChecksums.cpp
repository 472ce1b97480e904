#include "modules/PendingChecksums.h"

#include "core/Logging.h"
#include "modules/ValueFiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QVariant>

namespace tessivar {

PendingChecksums& PendingChecksums::instance()
{
    // Made on first use, on the main thread, once the application exists.
    static PendingChecksums pending;
    return pending;
}

PendingChecksums::PendingChecksums()
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultDelay);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Flush(); });
    if (QCoreApplication* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, [this] { Flush(); });
}

PendingChecksums::~PendingChecksums()
{
    Flush();
}

void PendingChecksums::Schedule(const QString& checksumPath, quint16 checksum)
{
    m_pending.insert(checksumPath, checksum);
    if (!m_timer.isActive())
        m_timer.start();
}

void PendingChecksums::Cancel(const QString& folderPath)
{
    const QString prefix = folderPath.endsWith(QLatin1Char('/')) ? folderPath : folderPath + QLatin1Char('/');
    m_pending.removeIf([&prefix](const QHash<QString, quint16>::iterator it) { return it.key().startsWith(prefix); });
}

void PendingChecksums::Flush()
{
    m_timer.stop();
    const QHash<QString, quint16> pending = std::exchange(m_pending, {});
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        // A block removed meanwhile has nothing left to sign.
        if (!QFileInfo(QFileInfo(it.key()).absolutePath()).isDir())
            continue;
        if (!ValueFiles::WriteValueUnsynced(it.key(), QVariant::fromValue<ushort>(it.value())))
            qCWarning(lcModules) << "Could not store the checksum" << it.key();
    }
}

bool PendingChecksums::IsPending(const QString& checksumPath) const
{
    return m_pending.contains(checksumPath);
}

void PendingChecksums::SetDelay(std::chrono::milliseconds delay)
{
    m_timer.setInterval(delay);
}

std::chrono::milliseconds PendingChecksums::Delay() const
{
    return m_timer.intervalAsDuration();
}

} // namespace tessivar
