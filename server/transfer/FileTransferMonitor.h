#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/SimpleTask.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace tessivar::transfer {

class FileTransferManager;

// Shows the reception of a device's log or settings files as a task: busy from the
// user's request on while the files arrive, then complete (offering to open the log
// folder), interrupted, or told that the device sent nothing in time.
class FileTransferMonitor : public QObject
{
    Q_OBJECT

public:
    using FolderOpener = std::function<void(const QUrl&)>;
    static constexpr int kDefaultPollIntervalMs = 1000;
    // How long a device may take to start sending what the user asked for.
    static constexpr int kDefaultSilenceTimeoutMs = 30000;

    // The task is added to the task manager at once. `openFolder` defaults to the
    // desktop's handler (QDesktopServices).
    FileTransferMonitor(FileTransferManager& manager, QString logFolder, FolderOpener openFolder = {},
                        int pollIntervalMs = kDefaultPollIntervalMs, QObject* parent = nullptr);
    ~FileTransferMonitor() override;

    // The user asked a device for its logs or settings: the task shows at once and
    // ends with a message when no file starts arriving within the silence timeout.
    void awaitTransfer(FileTransferRequestType_e type);
    void setSilenceTimeout(int timeoutMs) { m_silenceTimer.setInterval(timeoutMs); }
    int silenceTimeout() const { return m_silenceTimer.interval(); }

    bool isInProgress() const { return m_inProgress; }
    bool isCompleted() const { return m_completed; }
    SimpleTask& task() { return m_task; }

private:
    void onStarted(FileTransferRequestType_e type);
    void onSilence();
    void onEnded();
    void onAborted();
    void onDropped(const QString& reason);
    void onOk();
    void setCompletionTitle(const QString& title);

    static bool isShown(FileTransferRequestType_e type);

    bool m_inProgress = false;
    FileTransferRequestType_e m_awaited{}; // none while 0
    FileTransferRequestType_e m_type = FileTransferRequestType_e::LogFiles;
    QTimer m_silenceTimer;
    bool m_completed = false;
    QString m_logFolder;
    FolderOpener m_openFolder;
    SimpleTask m_task;
};

} // namespace tessivar::transfer
