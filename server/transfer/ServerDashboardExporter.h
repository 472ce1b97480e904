#pragma once

#include "communication/messages/Message_DashboardExportResponse.h"
#include "core/BaseTask.h"
#include "modules/ModuleRecord.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace tessivar::transfer {

class IFileDialogs;

// Saves a device's dashboard to a ".dsx" file: the user picks the file, the device
// reports its layout, and the server's block records complete each entry.
class ServerDashboardExporter : public QObject
{
    Q_OBJECT

public:
    explicit ServerDashboardExporter(IFileDialogs& dialogs, QObject* parent = nullptr);
    ~ServerDashboardExporter() override;

    // Asks for the target file and opens the task; false when the user cancels.
    bool Start();
    // Writes the file from the device's layout and the device's block records, and
    // closes the task.
    void Finalize(const communication::Message_DashboardExportResponse::Profiles_t& profiles,
                  const QList<ModuleRecord>& records);
    // The device did not answer in time.
    void Fail();

    QString filePath() const { return m_filePath; }
    // Exists once started.
    BaseTask* task() const { return m_task.get(); }

private:
    void close(const QString& title);

    IFileDialogs& m_dialogs;
    QString m_filePath;
    std::unique_ptr<BaseTask> m_task;
};

} // namespace tessivar::transfer
