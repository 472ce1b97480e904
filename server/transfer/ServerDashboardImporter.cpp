#include "transfer/ServerDashboardImporter.h"

#include "core/ApplicationConstants.h"
#include "core/Logging.h"
#include "core/TaskManager.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleDataInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "transfer/FileDialogs.h"

#include <QDebug>
#include <QFile>
#include <QStandardPaths>

namespace tessivar::transfer {

ServerDashboardImporter::ServerDashboardImporter(IFileDialogs& dialogs, PluginManager& plugins, ModuleList& modules,
                                                 QObject* parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_plugins(plugins)
    , m_modules(modules)
{
    qRegisterMetaType<communication::DashboardImportData_t>("DashboardImportData_t");
}

ServerDashboardImporter::~ServerDashboardImporter()
{
    // An import given up (a newer one replaced it) leaves no block waiting for ever.
    if (m_task && !m_task->isFinished())
        removeUnconfirmed();
}

void ServerDashboardImporter::Start(const NetworkDeviceId_t& deviceId)
{
    qCInfo(lcTransfer) << "Starting dashboard import";
    m_deviceId = deviceId;
    const QString path = m_dialogs.getOpenFileName(
        tr("Import dashboard"), QStandardPaths::writableLocation(QStandardPaths::DownloadLocation),
        tr("Tessivar Export File (*.%1);;All (*)").arg(DashboardFile::kExtension));
    if (path.isEmpty()) {
        qCInfo(lcTransfer) << "Dashboard import cancelled: no file selected";
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > DashboardFile::kMaxFileSize) {
        qCWarning(lcTransfer) << "Could not open file" << path;
        Q_EMIT ImportFailed(tr("File %1 cannot be read").arg(path));
        return;
    }
    const DashboardFile::Read_t read = DashboardFile::decodeFile(file.readAll());
    if (!read.error.isEmpty()) {
        Q_EMIT ImportFailed(read.error);
        return;
    }

    qCInfo(lcTransfer) << "Starting dashboard import task";
    m_task = std::make_unique<BaseTask>(tr("Dashboard Import In Progress"));
    TaskManager::instance().addTask(m_task.get());
    m_task->start();
    Q_EMIT ImportDataReady(createBlocks(read.entries));
}

communication::DashboardImportData_t ServerDashboardImporter::createBlocks(const QList<DashboardExportEntry>& entries)
{
    communication::DashboardImportData_t importData;
    for (const DashboardExportEntry& entry : entries) {
        std::unique_ptr<TessivarModuleInstance> instance = m_plugins.InstantiateModule(entry.pluginId, entry.moduleId);
        if (!instance) {
            qCWarning(lcTransfer) << "Skipping imported block: no module" << entry.moduleId << "of plugin"
                                  << entry.pluginId;
            continue;
        }
        const QString dataClassId = instance->instanceData()->classId();
        const TessivarModuleDataInfo* dataClass = m_plugins.FindModuleDataClass(dataClassId);
        ModuleRecord record;
        record.SetDescription(entry.description);
        record.SetModuleId(entry.moduleId);
        record.SetPluginId(entry.pluginId);
        record.SetModuleDataClass(dataClassId);
        record.SetDeviceId(m_deviceId);
        record.SetClientData(entry.clientData);
        record.SetClientParameters(entry.clientParameters);
        record.SetLocalParameters(entry.localParameters);
        record.SetGeometry(entry.geometry);
        record.SetZ(entry.z);
        // Built like a stored block, so that the instance takes the file's values.
        auto block = std::make_unique<ModuleSource>(record, std::move(instance), true);
        const ModuleRecord& placed = block->GetRecord();
        const BlockCreationRequestId_t requestId = m_modules.AddNewModule(std::move(block), dataClass, false);
        if (requestId == kNoCreationRequest)
            continue;
        m_pending.insert(requestId);

        communication::DashboardImportModule module;
        module.creationRequestId = requestId;
        module.geometry = entry.geometry;
        module.z = entry.z;
        module.profiles = entry.profiles;
        module.dataClassId = dataClassId;
        module.dataWidget = dataClass->getClientDataDisplayWidgetPath().fileName();
        module.version = softwareVersion();
        module.parameters = placed.GetClientParameters();
        module.data = placed.GetClientData();
        importData.append(module);
    }
    return importData;
}

void ServerDashboardImporter::close(const QString& title, const QString& message)
{
    TaskCompletion completion = m_task->completion();
    completion.title = title;
    completion.message = message;
    m_task->setCompletion(completion);
    m_task->finish();
}

bool ServerDashboardImporter::ProcessResponse(const communication::Message_DashboardImportResponse& response)
{
    if (!m_task || m_task->isFinished()) {
        qCWarning(lcTransfer) << "Must start dashboard import before importing data";
        return false;
    }
    const auto& created = response.GetCreatedBlocks();
    for (auto it = created.cbegin(); it != created.cend(); ++it) {
        qCInfo(lcTransfer).nospace() << "Processing dashboard import: requestId[" << it.key() << "], responseId["
                                     << it.value() << "]";
        // Only the blocks of this import, and each once.
        if (!m_pending.remove(it.key()))
            continue;
        if (it.value() != 0)
            m_modules.OnBlockCreated(it.value(), it.key());
        else
            m_modules.RemoveModuleByRequestId(it.key());
    }
    switch (response.GetStatus()) {
    case communication::Message_DashboardImportResponse::kStatusInProgress:
        return true;
    case communication::Message_DashboardImportResponse::kStatusSuccessful:
        // The import is over: a block the device never confirmed would wait for ever.
        removeUnconfirmed();
        close(tr("Dashboard Import Successful"), QString());
        return false;
    default:
        Fail();
        return false;
    }
}

void ServerDashboardImporter::removeUnconfirmed()
{
    for (const BlockCreationRequestId_t requestId : std::as_const(m_pending)) {
        qCWarning(lcTransfer) << "Imported block not confirmed by the device, removed: request" << requestId;
        m_modules.RemoveModuleByRequestId(requestId);
    }
    m_pending.clear();
}

void ServerDashboardImporter::Fail()
{
    if (!m_task || m_task->isFinished())
        return;
    qCWarning(lcTransfer) << "Dashboard import failed";
    removeUnconfirmed();
    close(tr("Dashboard import failed"),
          tr("The selected dashboard could not be fully imported.\nMake sure the necessary plugins are installed and "
             "the client is updated to the latest version"));
}

} // namespace tessivar::transfer
