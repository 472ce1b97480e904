#include "transfer/FileTransferMonitor.h"

#include "core/Logging.h"
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
          pollIntervalMs, [this] { return m_requests.empty(); }, QString(), [this] { onOk(); })
{
    TaskManager::instance().addTask(&m_task);
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
    qCInfo(lcTransfer) << "---------- File transfer complete ----------";
    m_openFolder(QUrl::fromLocalFile(m_logFolder));
}

bool FileTransferMonitor::isShown(FileTransferRequestType_e type)
{
    return type == FileTransferRequestType_e::LogFiles || type == FileTransferRequestType_e::SettingsFile;
}

std::vector<FileTransferMonitor::Request>::iterator FileTransferMonitor::find(const NetworkDeviceId_t& device,
                                                                              FileTransferRequestType_e type)
{
    return std::find_if(m_requests.begin(), m_requests.end(),
                        [&](const Request& request) { return request.device == device && request.type == type; });
}

void FileTransferMonitor::describe(const Request& request)
{
    const bool logs = request.type == FileTransferRequestType_e::LogFiles;
    if (request.arriving)
        m_task.setDescription(logs ? tr("Log Transfer In Progress") : tr("Settings Transfer In Progress"));
    else
        m_task.setDescription(logs ? tr("Waiting for the device's logs") : tr("Waiting for the device's settings"));
}

void FileTransferMonitor::awaitTransfer(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    // A request already followed changes nothing when asked again.
    if (!isShown(type) || find(device, type) != m_requests.end())
        return;
    const bool first = m_requests.empty();
    if (first) {
        m_completed = false;
        m_outcomes.clear();
        TaskCompletion completion = m_task.completion();
        completion.title.clear();
        completion.message.clear();
        m_task.setCompletion(completion);
    }
    Request request;
    request.device = device;
    request.type = type;
    request.silence = std::make_unique<QTimer>();
    request.silence->setSingleShot(true);
    request.silence->setInterval(m_silenceTimeoutMs);
    connect(request.silence.get(), &QTimer::timeout, this, [this, device, type] { onSilence(device, type); });
    request.silence->start();
    describe(request);
    m_requests.push_back(std::move(request));
    if (first)
        m_task.start();
}

void FileTransferMonitor::onSilence(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    qCWarning(lcTransfer) << "No file received from the device in time for request type" << quint16(type);
    end(device, type,
        type == FileTransferRequestType_e::LogFiles ? tr("The device did not send its logs")
                                                    : tr("The device did not send its settings"));
}

void FileTransferMonitor::onStarted(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    const auto request = find(device, type);
    if (request == m_requests.end() || request->arriving)
        return;
    // What the user asked for is arriving: from now on the transfer's own end counts.
    qCInfo(lcTransfer) << "---------- File transfer starting ----------";
    request->silence->stop();
    request->arriving = true;
    describe(*request);
}

void FileTransferMonitor::onEnded(const NetworkDeviceId_t& device, FileTransferRequestType_e type)
{
    const auto request = find(device, type);
    if (request == m_requests.end() || !request->arriving)
        return;
    qCInfo(lcTransfer) << "---------- File transfer ended ----------";
    m_completed = true;
    end(device, type,
        type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer Complete") : tr("Settings Transfer Complete"));
}

void FileTransferMonitor::onAborted(const NetworkDeviceId_t& device)
{
    for (const Request& request : m_requests) {
        if (request.device != device)
            continue;
        qCInfo(lcTransfer) << "---------- File transfer interrupted ----------";
        end(device, std::nullopt, {});
        return;
    }
}

void FileTransferMonitor::onDropped(const NetworkDeviceId_t& device, const QString& reason)
{
    for (const Request& request : m_requests) {
        if (request.device != device)
            continue;
        qCInfo(lcTransfer) << "---------- File transfer dropped ----------";
        end(device, std::nullopt, {}, reason);
        return;
    }
}

void FileTransferMonitor::end(const NetworkDeviceId_t& device, std::optional<FileTransferRequestType_e> type,
                              const QString& title, const QString& reason)
{
    for (auto request = m_requests.begin(); request != m_requests.end();) {
        if (request->device != device || (type && request->type != *type)) {
            ++request;
            continue;
        }
        const QString ended = !title.isEmpty()                     ? title
            : request->type == FileTransferRequestType_e::LogFiles ? tr("Log Transfer Interrupted")
                                                                   : tr("Settings Transfer Interrupted");
        m_outcomes.append({ended, reason});
        request = m_requests.erase(request);
    }
    if (!m_requests.empty()) {
        describe(m_requests.back());
        return;
    }
    TaskCompletion completion = m_task.completion();
    // The last request to end gives the title; the others, if any, are listed below it.
    const Outcome last = m_outcomes.isEmpty() ? Outcome{} : m_outcomes.takeLast();
    QStringList lines;
    if (!last.reason.isEmpty())
        lines << last.reason;
    for (const Outcome& other : std::as_const(m_outcomes))
        lines << (other.reason.isEmpty() ? other.title : other.title + QStringLiteral(": ") + other.reason);
    m_outcomes.clear();
    completion.title = last.title;
    completion.message = lines.join(QLatin1Char('\n'));
    m_task.setCompletion(completion);
    m_task.finish();
}

} // namespace tessivar::transfer
