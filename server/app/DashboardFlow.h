#pragma once

#include "core/DeviceTypes.h"
#include "core/Logging.h"
#include "transfer/ServerDashboardExporter.h"
#include "transfer/ServerDashboardImporter.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class ModuleList;
class PluginManager;

namespace tessivar {

class ErrorHandler;

namespace communication {
class MessageEmissionBuilderFactory;
class MessageHandler;
class MessageReception;
} // namespace communication

namespace transfer {
class IFileDialogs;
}

// Export and import of a device's dashboard, started by the user for one device:
// the file dialogs, the request to the device and its answers, the task shown.
class DashboardFlow : public QObject
{
    Q_OBJECT

public:
    // How long the device has to answer each request (and each further import answer).
    static constexpr std::chrono::milliseconds kDefaultResponseTimeout{10000};
    using ErrorHandlerSource = std::function<ErrorHandler*()>;

    // The dialogs are the desktop's unless given.
    DashboardFlow(communication::MessageHandler& messages, communication::MessageEmissionBuilderFactory& emissions,
                  ModuleList& modules, PluginManager& plugins, ErrorHandlerSource errors,
                  std::unique_ptr<transfer::IFileDialogs> dialogs = {}, QObject* parent = nullptr);
    ~DashboardFlow() override;

    void requestDashboardExport(const NetworkDeviceId_t& deviceId);
    void requestDashboardImport(const NetworkDeviceId_t& deviceId);
    void setResponseTimeout(std::chrono::milliseconds timeout);

    // The latest export and import, kept until the next one so that their task stays shown.
    transfer::ServerDashboardExporter* exporter() const { return m_exporter.get(); }
    transfer::ServerDashboardImporter* importer() const { return m_importer.get(); }

Q_SIGNALS:
    // The file could not be imported; the text is shown as the invalid dashboard error.
    void dashboardImportFailed(QString error);

private:
    void sendImportRequest(const NetworkDeviceId_t& deviceId, const communication::DashboardImportData_t& data);
    // Whether an answer really comes from the device asked; if not, the request keeps waiting.
    bool isFromDevice(const communication::MessageReception& reception, const NetworkDeviceId_t& deviceId,
                      quint64 sequenceId);

    communication::MessageHandler& m_messages;
    communication::MessageEmissionBuilderFactory& m_emissions;
    ModuleList& m_modules;
    PluginManager& m_plugins;
    std::unique_ptr<transfer::IFileDialogs> m_dialogs;
    ErrorHandlerSource m_errors;
    std::chrono::milliseconds m_timeout = kDefaultResponseTimeout;
    std::shared_ptr<transfer::ServerDashboardExporter> m_exporter;
    std::shared_ptr<transfer::ServerDashboardImporter> m_importer;
    LogFloodGuard m_dropLog;
};

} // namespace tessivar
