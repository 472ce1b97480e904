#pragma once

#include "TestPeer.h"

#include "app/AbstractApplication.h"
#include "app/DashboardFlow.h"
#include "app/FileTransferFlow.h"
#include "modules/ModuleList.h"
#include "modules/PluginManager.h"
#include "transfer/FileDialogs.h"

#include <QStringList>
#include <QUrl>

#include <memory>

namespace tessivar::communication::network {
class SocketManager;
}

namespace tessivar::test {

// Answers the file dialogs with the paths a test gives, and remembers what was asked.
class ScriptedFileDialogs : public transfer::IFileDialogs
{
public:
    QString answer;
    QStringList titles;
    QStringList filters;
    QString getSaveFileName(const QString& title, const QString&, const QString& filter) override;
    QString getOpenFileName(const QString& title, const QString&, const QString& filter) override;
};

// The server's communication, registration and transfer flows, reached by test peers
// over loopback links, with the test plugin loaded; what the user interface would add
// is left out.
class TransferTestServer : public AbstractApplication
{
    Q_OBJECT
public:
    TransferTestServer(Configuration& configuration, quint16 port);
    ~TransferTestServer() override;

    void onNetworkError(QString) override { }
    void onDeviceDisconnected(const NetworkDeviceId_t& deviceId) override;
    bool isRegistered(const NetworkDeviceId_t& deviceId);
    // Where a test peer's loopback link goes (TestPeer::useLoopback).
    communication::network::SocketManager& socketManager();

    PluginManager plugins;
    ModuleList modules;
    ScriptedFileDialogs* dialogs = nullptr; // owned by the dashboard flow
    std::unique_ptr<FileTransferFlow> transfers;
    std::unique_ptr<DashboardFlow> dashboards;
    QList<QUrl> openedFolders;

private:
    communication::network::SocketManager* m_sockets = nullptr;
};

// Connects the peer over a loopback link and registers it under `name`, as a phone does.
bool connectAndRegister(TransferTestServer& server, TestPeer& peer, quint16 port, const QString& name);

} // namespace tessivar::test
