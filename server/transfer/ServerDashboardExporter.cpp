#include "transfer/ServerDashboardExporter.h"

#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "core/Logging.h"
#include "core/TaskManager.h"
#include "transfer/DashboardFile.h"
#include "transfer/FileDialogs.h"

#include <QDebug>
#include <QSaveFile>
#include <QStandardPaths>

namespace tessivar::transfer {

ServerDashboardExporter::ServerDashboardExporter(IFileDialogs& dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(dialogs)
{
}

ServerDashboardExporter::~ServerDashboardExporter() = default;

bool ServerDashboardExporter::Start()
{
    m_filePath = m_dialogs.getSaveFileName(tr("Save dashboard"),
                                           QStandardPaths::writableLocation(QStandardPaths::DownloadLocation),
                                           tr("Tessivar Export File (*.%1)").arg(DashboardFile::kExtension));
    if (m_filePath.isEmpty())
        return false;
    qCInfo(lcTransfer) << "Starting dashboard export task";
    m_task = std::make_unique<BaseTask>(tr("Dashboard Export In Progress"));
    TaskManager::instance().addTask(m_task.get());
    m_task->start();
    return true;
}

void ServerDashboardExporter::close(const QString& title)
{
    TaskCompletion completion = m_task->completion();
    completion.title = title;
    m_task->setCompletion(completion);
    m_task->finish();
}

void ServerDashboardExporter::Finalize(const communication::Message_DashboardExportResponse::Profiles_t& profiles,
                                       const QList<ModuleRecord>& records)
{
    if (!m_task || m_task->isFinished()) {
        qCWarning(lcTransfer) << "Must start dashboard export before finalizing";
        return;
    }
    qCInfo(lcTransfer) << "Ending dashboard export task";
    QList<DashboardExportEntry> entries;
    for (auto profile = profiles.cbegin(); profile != profiles.cend(); ++profile) {
        for (const communication::DashboardExportModule& block : profile.value()) {
            const auto record = std::find_if(records.cbegin(), records.cend(), [&block](const ModuleRecord& r) {
                return r.GetBlockId() != 0 && r.GetBlockId() == block.blockId;
            });
            if (record == records.cend())
                continue;
            DashboardExportEntry entry;
            entry.profiles = QStringList{profile.key()};
            entry.clientParameters = record->GetClientParameters();
            entry.geometry = block.geometry;
            entry.z = block.z;
            entry.pluginId = record->GetPluginId();
            entry.moduleId = record->GetModuleId();
            entry.description = record->GetDescription();
            entry.localParameters = record->GetLocalParameters();
            entries.append(entry);
        }
    }

    const QByteArray payload = DashboardFile::encodePayload(entries);
    qCInfo(lcTransfer) << "Exporting data to" << m_filePath;
    qCInfo(lcTransfer) << "Crc:" << checksum(payload);
    QSaveFile file(m_filePath);
    const QByteArray content = DashboardFile::encodeFile(payload);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        // A file that was not written is a failed export, whatever else went well.
        qCWarning(lcTransfer) << "Failed to open file" << m_filePath << file.errorString();
        close(tr("Dashboard export failed"));
        return;
    }
    close(tr("Dashboard Export Successful"));
}

void ServerDashboardExporter::Fail()
{
    qCWarning(lcTransfer) << "Dashboard export failed";
    if (m_task && !m_task->isFinished())
        close(tr("Dashboard export failed"));
}

} // namespace tessivar::transfer
