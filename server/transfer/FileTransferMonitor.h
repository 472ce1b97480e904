#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/SimpleTask.h"

#include <QObject>
#include <QUrl>

#include <functional>

namespace tessivar::transfer {

class FileTransferManager;

// Shows the reception of a device's log files as a task: busy while the files
// arrive, then complete (offering to open the log folder) or interrupted.
class FileTransferMonitor : public QObject
{
    Q_OBJECT

public:
    using FolderOpener = std::function<void(const QUrl&)>;
    static constexpr int kDefaultPollIntervalMs = 1000;

    // The task is added to the task manager at once. `openFolder` defaults to the
    // desktop's handler (QDesktopServices).
    FileTransferMonitor(FileTransferManager& manager, QString logFolder, FolderOpener openFolder = {},
                        int pollIntervalMs = kDefaultPollIntervalMs, QObject* parent = nullptr);
    ~FileTransferMonitor() override;

    bool isInProgress() const { return m_inProgress; }
    bool isCompleted() const { return m_completed; }
    SimpleTask& task() { return m_task; }

private:
    void onStarted(FileTransferRequestType_e type);
    void onEnded();
    void onAborted();
    void onOk();
    void setCompletionTitle(const QString& title);

    bool m_inProgress = false;
    bool m_completed = false;
    QString m_logFolder;
    FolderOpener m_openFolder;
    SimpleTask m_task;
};

} // namespace tessivar::transfer
