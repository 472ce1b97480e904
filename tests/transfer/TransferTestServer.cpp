#include "TransferTestServer.h"

#include "communication/CommunicationHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "device/IDevice.h"

#include <QTest>

namespace tessivar::test {

QString ScriptedFileDialogs::getSaveFileName(const QString& title, const QString&, const QString& filter)
{
    titles.append(title);
    filters.append(filter);
    return answer;
}

QString ScriptedFileDialogs::getOpenFileName(const QString& title, const QString&, const QString& filter)
{
    titles.append(title);
    filters.append(filter);
    return answer;
}

TransferTestServer::TransferTestServer(Configuration& configuration, quint16 port)
    : AbstractApplication(configuration)
    , plugins(configuration)
{
    plugins.LoadPlugins();
    auto communicationHandler = std::make_unique<communication::CommunicationHandler>(
        m_deviceManager.get(), device::ApplicationType_e::Server, port, configuration);
    m_sockets = &communicationHandler->GetSocketManager();
    auto handler = std::make_unique<communication::MessageHandler>(communicationHandler.get());
    adoptMessaging(std::move(handler), std::move(communicationHandler));

    FileTransferFlow::Options options;
    options.monitorPollIntervalMs = 10;
    options.openFolder = [this](const QUrl& url) { openedFolders.append(url); };
    transfers = std::make_unique<FileTransferFlow>(*m_messageHandler, *m_emissionFactory, *m_deviceManager, plugins,
                                                   configuration, options);
    auto scripted = std::make_unique<ScriptedFileDialogs>();
    dialogs = scripted.get();
    dashboards = std::make_unique<DashboardFlow>(
        *m_messageHandler, *m_emissionFactory, modules, plugins, [] { return nullptr; }, std::move(scripted));
    transfers->registerHandlers(*m_messageHandler);
    // Not started: the peers come over loopback links, so no port is opened.
    init();
}

communication::network::SocketManager& TransferTestServer::socketManager()
{
    return *m_sockets;
}

TransferTestServer::~TransferTestServer() = default;

void TransferTestServer::onDeviceDisconnected(const NetworkDeviceId_t& deviceId)
{
    transfers->onDeviceDisconnected(deviceId);
    modules.DeactivateModulesOfDevice(deviceId);
}

bool TransferTestServer::isRegistered(const NetworkDeviceId_t& deviceId)
{
    device::IDevice* device = m_deviceManager->GetDevice(deviceId);
    return device && device->IsRegistered();
}

bool connectAndRegister(TransferTestServer& server, TestPeer& peer, quint16 port, const QString& name)
{
    // A device's messages carry its name too.
    peer.sender().name = name;
    peer.useLoopback(server.socketManager());
    if (!peer.connectToServer(port))
        return false;
    peer.send(
        communication::Message_RegisterDevice(name, device::ApplicationType_e::Client, QVersionNumber(2, 0, 0), {}));
    return QTest::qWaitFor([&] { return server.isRegistered(peer.sender().id); }, 5000);
}

} // namespace tessivar::test
