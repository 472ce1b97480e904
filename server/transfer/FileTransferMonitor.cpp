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
    , m_openFolder(openFolder ? std::move(openFolder) : FolderOpener([](const QUrl& url) {
        QDesktopServices::openUrl(url);
    }))
    , m_task(
          pollIntervalMs, [this] { return !m_inProgress; }, QString(), [this] { onOk(); })
{
    TaskManager::instance().addTask(&m_task);
    connect(&manager, &FileTransferManager::fileTransferStarted, this, &FileTransferMonitor::onStarted);
    connect(&manager, &FileTransferManager::fileTransferEnded, this, &FileTransferMonitor::onEnded);
    connect(&manager, &FileTransferManager::fileTransferAborted, this, &FileTransferMonitor::onAborted);
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

void FileTransferMonitor::onStarted(FileTransferRequestType_e type)
{
    if (m_inProgress || type != FileTransferRequestType_e::LogFiles)
        return;
    qInfo() << "---------- File transfer starting ----------";
    m_inProgress = true;
    m_completed = false;
    m_task.setDescription(tr("Log Transfer In Progress"));
    m_task.start();
}

void FileTransferMonitor::onEnded()
{
    if (!m_inProgress)
        return;
    qInfo() << "---------- File transfer ended ----------";
    m_inProgress = false;
    m_completed = true;
    setCompletionTitle(tr("Log Transfer Complete"));
    m_task.finish();
}

void FileTransferMonitor::onAborted()
{
    if (!m_inProgress)
        return;
    qInfo() << "---------- File transfer interrupted ----------";
    m_inProgress = false;
    setCompletionTitle(tr("Log Transfer Interrupted"));
    m_task.finish();
}

} // namespace tessivar::transfer
