#pragma once

#include "communication/DashboardImportModule.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "core/BaseTask.h"
#include "core/DeviceTypes.h"
#include "transfer/DashboardFile.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class ModuleList;
class PluginManager;

namespace tessivar::transfer {

class IFileDialogs;

// Loads a ".dsx" file onto a device: a new block on the server for every entry, one
// request to the device listing them all, and each block confirmed (or removed) as
// the device reports what it created.
class ServerDashboardImporter : public QObject
{
    Q_OBJECT

public:
    ServerDashboardImporter(IFileDialogs& dialogs, PluginManager& plugins, ModuleList& modules,
                            QObject* parent = nullptr);
    ~ServerDashboardImporter() override;

    // Asks for the file, reads it and creates the blocks: ImportDataReady, or
    // ImportFailed, or nothing when the user cancels.
    void Start(const NetworkDeviceId_t& deviceId);
    // One answer of the device; true while further answers are expected.
    bool ProcessResponse(const communication::Message_DashboardImportResponse& response);
    // The import failed (a failed status, or no answer in time): the blocks not yet
    // confirmed are removed.
    void Fail();

    const NetworkDeviceId_t& deviceId() const { return m_deviceId; }
    // Exists once the file was read.
    BaseTask* task() const { return m_task.get(); }

Q_SIGNALS:
    void ImportDataReady(tessivar::communication::DashboardImportData_t importData);
    void ImportFailed(QString error);

private:
    communication::DashboardImportData_t createBlocks(const QList<DashboardExportEntry>& entries);
    void close(const QString& title, const QString& message);
    void removeUnconfirmed();

    IFileDialogs& m_dialogs;
    PluginManager& m_plugins;
    ModuleList& m_modules;
    NetworkDeviceId_t m_deviceId;
    std::unique_ptr<BaseTask> m_task;
    // The creation requests of this import that the device has not confirmed yet.
    QSet<BlockCreationRequestId_t> m_pending;
};

} // namespace tessivar::transfer
