#include "app/DashboardFlow.h"

#include "app/ErrorHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "modules/ModuleList.h"
#include "transfer/FileDialogs.h"

#include <QDebug>

namespace tessivar {

using communication::MessageReception;

DashboardFlow::DashboardFlow(communication::MessageHandler& messages,
                             communication::MessageEmissionBuilderFactory& emissions, ModuleList& modules,
                             PluginManager& plugins, ErrorHandlerSource errors,
                             std::unique_ptr<transfer::IFileDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_emissions(emissions)
    , m_modules(modules)
    , m_plugins(plugins)
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<transfer::DesktopFileDialogs>())
    , m_errors(std::move(errors))
{
}

DashboardFlow::~DashboardFlow() = default;

void DashboardFlow::setResponseTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

bool DashboardFlow::isFromDevice(const MessageReception& reception, const NetworkDeviceId_t& deviceId,
                                 quint64 sequenceId)
{
    if (reception.GetSenderId() == deviceId)
        return true;
    if (m_dropLog.Allow(QStringLiteral("dashboard answer from another device"), reception.GetSenderId()))
        qCWarning(lcApp) << "Answer to the dashboard request of" << deviceId << "from" << reception.GetSenderId()
                         << "ignored";
    Q_UNUSED(sequenceId);
    return false;
}

void DashboardFlow::requestDashboardExport(const NetworkDeviceId_t& deviceId)
{
    qCInfo(lcApp) << "Requesting dashboard export for device" << deviceId;
    auto exporter = std::make_shared<transfer::ServerDashboardExporter>(*m_dialogs);
    if (!exporter->Start())
        return;
    m_exporter = exporter;

    auto builder = m_emissions.Create<communication::Message_DashboardExportRequest>(deviceId);
    const quint64 sequenceId = m_emissions.GetNextSequenceId() - 1;
    std::weak_ptr<transfer::ServerDashboardExporter> weak = exporter;
    builder.WithResponseCallback(
        [this, weak, deviceId, sequenceId](const MessageReception& reception) {
            const auto exporter = weak.lock();
            if (!exporter || !isFromDevice(reception, deviceId, sequenceId))
                return;
            const auto* response = reception.As<communication::Message_DashboardExportResponse>();
            if (!response) {
                exporter->Fail();
                return;
            }
            exporter->Finalize(response->GetProfiles(), m_modules.GetModulesOfDevice(deviceId));
        },
        m_timeout);
    builder.WithTimeoutCallback([weak] {
        if (const auto exporter = weak.lock())
            exporter->Fail();
    });
    m_messages.SendMessage(builder.Build());
}

void DashboardFlow::requestDashboardImport(const NetworkDeviceId_t& deviceId)
{
    auto importer = std::make_shared<transfer::ServerDashboardImporter>(*m_dialogs, m_plugins, m_modules);
    connect(importer.get(), &transfer::ServerDashboardImporter::ImportFailed, this, [this](const QString& error) {
        Q_EMIT dashboardImportFailed(error);
        if (ErrorHandler* errors = m_errors ? m_errors() : nullptr)
            errors->report(ErrorHandler::InvalidDashboard, {}, error);
    });
    connect(importer.get(), &transfer::ServerDashboardImporter::ImportDataReady, this,
            [this, deviceId](const communication::DashboardImportData_t& data) { sendImportRequest(deviceId, data); });
    m_importer = importer;
    importer->Start(deviceId);
}

void DashboardFlow::sendImportRequest(const NetworkDeviceId_t& deviceId,
                                      const communication::DashboardImportData_t& data)
{
    qCInfo(lcApp) << "Requesting dashboard import for device" << deviceId;
    auto builder = m_emissions.Create<communication::Message_DashboardImportRequest>(deviceId, data);
    const quint64 sequenceId = m_emissions.GetNextSequenceId() - 1;
    std::weak_ptr<transfer::ServerDashboardImporter> weak = m_importer;
    builder.WithResponseCallback(
        [this, weak, deviceId, sequenceId](const MessageReception& reception) {
            const auto importer = weak.lock();
            if (!importer || !isFromDevice(reception, deviceId, sequenceId))
                return;
            const auto* response = reception.As<communication::Message_DashboardImportResponse>();
            if (!response) {
                importer->Fail();
                return;
            }
            if (importer->ProcessResponse(*response))
                m_messages.ResetTimeout(sequenceId, m_timeout);
        },
        m_timeout);
    builder.WithTimeoutCallback([weak] {
        if (const auto importer = weak.lock())
            importer->Fail();
    });
    m_messages.SendMessage(builder.Build());
}

} // namespace tessivar
