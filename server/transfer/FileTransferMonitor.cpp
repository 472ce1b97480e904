#include "transfer/FileTransferMonitor.h"

#include "core/TaskManager.h"
#include "transfer/FileTransferManager.h"

#include <QDebug>
#include <QDesktopServices>

namespace tessivar::transfer {

FileTransferMonitor::FileTransferMonitor(FileTransferManager& manager, QString logFolder, FolderOpener openFolder,
                                         int pollIntervalMs, QObject* parent)
    : QObject(parent)
    , m_logFolder(std::move(logFolder))
    , m_openFolder(openFolder ? std::move(openFolder)
                              : FolderOpener([](const QUrl& url) { QDesktopServices::openUrl(url); }))
    , m_task(
          pollIntervalMs, [this] { return !m_inProgress; }, QString(), [this] { onOk(); })
{
    TaskManager::instance().addTask(&m_task);
    m_silenceTimer.setSingleShot(true);
    m_silenceTimer.setInterval(kDefaultSilenceTimeoutMs);
    connect(&m_silenceTimer, &QTimer::timeout, this, &FileTransferMonitor::onSilence);
    connect(&manager, &FileTransferManager::fileTransferStarted, this, &FileTransferMonitor::onStarted);
    connect(&manager, &FileTransferManager::fileTransferEnded, this, &FileTransferMonitor::onEnded);
    connect(&manager, &FileTransferManager::fileTransferAborted, this, &FileTransferMonitor::onAborted);
    connect(&manager, &FileTransferManager::incomingTransferDropped, this, &FileTransferMonitor::onDropped);
}

FileTransferMonitor::~FileTransferMonitor() = default;

void FileTransferMonitor::onOk()
{
    if (!m_completed)
        return;
    qInfo() << "---------- File transfer complete ----------";
    m_openFolder(QUrl::fromLocalFile(m_logFolder));
}

void FileTransferMonitor::setCompletionTitle(const QString& title)
{
    TaskCompletion completion = m_task.completion();
    completion.title = title;
    m_task.setCompletion(completion);
}

bool FileTransferMonitor::isShown(FileTransferRequestType_e type)
{
    return type == FileTransferRequestType_e::LogFiles || type == FileTransferRequestType_e::SettingsFile;
}

void FileTransferMonitor::awaitTransfer(FileTransferRequestType_e type)
{
    // One request shown at a time: a second while files arrive changes nothing.
    if (m_inProgress || !isShown(type))
        return;
    m_inProgress = true;
    m_completed = false;
    m_awaited = type;
    TaskCompletion completion = m_task.completion();
    completion.message.clear();
    m_task.setCompletion(completion);
    m_type = type;
    m_task.setDescription(type == FileTransferRequestType_e::LogFiles ? tr("Waiting for the device's logs")
                                                                      : tr("Waiting for the device's settings"));
    m_silenceTimer.start();
    m_task.start();
}

void FileTransferMonitor::onSilence()
{
    if (m_awaited == FileTransferRequestType_e{})
        return;
    qWarning() << "No file received from the device in time for request type" << quint16(m_awaited);
    const bool logs = m_awaited == FileTransferRequestType_e::LogFiles;
    m_awaited = {};
    m_inProgress = false;
    setCompletionTitle(logs ? tr("The device did not send its logs") : tr("The device did not send its settings"));
    m_task.finish();
}

void FileTransferMonitor::onStarted(FileTransferRequestType_e type)
{
    if (!isShown(type))
        return;
    if (m_awaited == type) {
        // What the user asked for is arriving: from now on the transfer's own end counts.
        m_silenceTimer.stop();
        m_awaited = {};
    } else if (m_inProgress) {
        return;
    }
    qInfo() << "---------- File transfer starting ----------";
    const bool alreadyShown = m_inProgress;
    m_inProgress = true;
    m_completed = false;
    m_type = type;
    m_task.setDescription(type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer In Progress")
                                                                      : tr("Settings Transfer In Progress"));
    if (!alreadyShown)
        m_task.start();
}

void FileTransferMonitor::onEnded()
{
    if (!m_inProgress || m_awaited != FileTransferRequestType_e{})
        return;
    qInfo() << "---------- File transfer ended ----------";
    m_inProgress = false;
    m_completed = true;
    setCompletionTitle(m_type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer Complete")
                                                                     : tr("Settings Transfer Complete"));
    m_task.finish();
}

void FileTransferMonitor::onAborted()
{
    if (!m_inProgress || m_awaited != FileTransferRequestType_e{})
        return;
    qInfo() << "---------- File transfer interrupted ----------";
    m_inProgress = false;
    setCompletionTitle(m_type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer Interrupted")
                                                                     : tr("Settings Transfer Interrupted"));
    m_task.finish();
}

} // namespace tessivar::transfer

namespace tessivar::transfer {

void FileTransferMonitor::onDropped(const QString& reason)
{
    if (!m_inProgress)
        return;
    qInfo() << "---------- File transfer dropped ----------";
    m_silenceTimer.stop();
    m_awaited = {};
    m_inProgress = false;
    TaskCompletion completion = m_task.completion();
    completion.title = m_type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer Interrupted")
                                                                     : tr("Settings Transfer Interrupted");
    completion.message = reason;
    m_task.setCompletion(completion);
    m_task.finish();
}

} // namespace tessivar::transfer
