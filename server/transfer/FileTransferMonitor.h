#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"
#include "core/SimpleTask.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

    // The user asked `device` for its logs or settings: the task shows at once and stays
    // busy until every request followed has ended; a request whose first file does not
    // arrive within the silence timeout ends with a message.
    void awaitTransfer(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void setSilenceTimeout(int timeoutMs) { m_silenceTimeoutMs = timeoutMs; }
    int silenceTimeout() const { return m_silenceTimeoutMs; }

    bool isInProgress() const { return !m_requests.empty(); }
    bool isCompleted() const { return m_completed; }
    SimpleTask& task() { return m_task; }

private:
    // One request of the user's, followed until its files have arrived or it ends otherwise.
    struct Request {
        NetworkDeviceId_t device;
        FileTransferRequestType_e type{};
        bool arriving = false;
        std::unique_ptr<QTimer> silence;
    };

    std::vector<Request>::iterator find(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void onStarted(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void onSilence(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void onEnded(const NetworkDeviceId_t& device, FileTransferRequestType_e type);
    void onAborted(const NetworkDeviceId_t& device);
    void onDropped(const NetworkDeviceId_t& device, const QString& reason);
    void onOk();
    // Ends the requests of `device` (of `type` only, unless none), noting how they ended.
    void end(const NetworkDeviceId_t& device, std::optional<FileTransferRequestType_e> type, const QString& title,
             const QString& reason = {});
    void describe(const Request& request);

    static bool isShown(FileTransferRequestType_e type);

    std::vector<Request> m_requests;
    int m_silenceTimeoutMs = kDefaultSilenceTimeoutMs;
    bool m_completed = false;
    // How the requests of the task shown ended, in order.
    struct Outcome {
        QString title;
        QString reason;
    };
    QList<Outcome> m_outcomes;
    QString m_logFolder;
    FolderOpener m_openFolder;
    SimpleTask m_task;
};

} // namespace tessivar::transfer
