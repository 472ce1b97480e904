#pragma once

#include <QHash>
#include <QString>
#include <QTimer>

#include <chrono>

namespace tessivar {

// The "crc" files of stored blocks, written a moment after the change that made them
// stale rather than with it: a change then costs the write of its own value only, and
// a burst of changes to one block costs one checksum write. A checksum that an
// interruption keeps from the disk only makes the block load with a warning; the
// value itself is already whole on the disk. Everything pending is written before a
// block folder is read again, when the module list goes and when the program quits.
class PendingChecksums
{
public:
    // How long a checksum waits for further changes of its block.
    static constexpr std::chrono::milliseconds kDefaultDelay{500};

    static PendingChecksums& instance();

    // Replaces what is pending for that file; written after the delay.
    void Schedule(const QString& checksumPath, quint16 checksum);
    // Forgets what is pending for files inside `folderPath` (a block removed or moved).
    void Cancel(const QString& folderPath);
    // Writes everything pending now; a file whose folder is gone is skipped.
    void Flush();
    bool IsPending(const QString& checksumPath) const;

    void SetDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds Delay() const;

private:
    PendingChecksums();
    ~PendingChecksums();

    QHash<QString, quint16> m_pending;
    QTimer m_timer;
};

} // namespace tessivar
