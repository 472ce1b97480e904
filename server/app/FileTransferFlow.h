#pragma once

#include "communication/FileTransferMetaData.h"
#include "core/DeviceTypes.h"
#include "transfer/FileTransferManager.h"
#include "transfer/FileTransferMonitor.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class PluginManager;

namespace tessivar {

class CommonConfiguration;

namespace communication {
class MessageEmissionBuilderFactory;
class MessageHandler;
class Message_FileTransfer;
} // namespace communication

namespace device {
class IDeviceManager;
} // namespace device

// The application's side of file transfers: answers the devices' requests (logs,
// settings, data class files), carries the exchange of FileTransfer messages, asks a
// device for its logs or settings, and drops a device's transfers when it goes.
class FileTransferFlow : public QObject
{
    Q_OBJECT

public:
    struct Options {
        QString logFolder; // empty: the working directory's "log/"
        int monitorPollIntervalMs = transfer::FileTransferMonitor::kDefaultPollIntervalMs;
        int silenceTimeoutMs = transfer::FileTransferMonitor::kDefaultSilenceTimeoutMs;
        transfer::FileTransferMonitor::FolderOpener openFolder; // empty: the desktop's handler
    };
    // A type 3 request names at most this many data classes; the server has fewer.
    static constexpr int kMaxRequestedDataClasses = 1024;

    FileTransferFlow(communication::MessageHandler& messages, communication::MessageEmissionBuilderFactory& emissions,
                     device::IDeviceManager& devices, const PluginManager& plugins,
                     const CommonConfiguration& configuration, Options options, QObject* parent = nullptr);
    ~FileTransferFlow() override;

    // FileTransferRequest and FileTransfer.
    void registerHandlers(communication::MessageHandler& messageHandler);

    transfer::FileTransferManager& manager() { return m_manager; }
    transfer::FileTransferMonitor& monitor() { return m_monitor; }

    // The device list's requests for a device's logs and settings.
    void requestLogs(const NetworkDeviceId_t& deviceId);
    void requestSettings(const NetworkDeviceId_t& deviceId);
    Q_SLOT void requestLogsOf(const NetworkDeviceId_t& deviceId) { requestLogs(deviceId); }
    Q_SLOT void requestSettingsOf(const NetworkDeviceId_t& deviceId) { requestSettings(deviceId); }
    void onDeviceDisconnected(const NetworkDeviceId_t& deviceId);
    void onFileTransferRequestReceived(FileTransferRequestType_e requestType, const QByteArray& requestData,
                                       const NetworkDeviceId_t& sender);

private:
    void onFileTransferReceived(const communication::Message_FileTransfer& message, const NetworkDeviceId_t& source);
    void sendRequest(FileTransferRequestType_e type, const NetworkDeviceId_t& deviceId);
    bool isRegistered(const NetworkDeviceId_t& deviceId);
    QString deviceFolder(const NetworkDeviceId_t& deviceId);
    bool queueDataClassFiles(const QByteArray& requestData, const NetworkDeviceId_t& destination);

    communication::MessageHandler& m_messages;
    communication::MessageEmissionBuilderFactory& m_emissions;
    device::IDeviceManager& m_devices;
    const PluginManager& m_plugins;
    const CommonConfiguration& m_configuration;
    QString m_logFolder;
    transfer::FileTransferManager m_manager;
    transfer::FileTransferMonitor m_monitor;
};

} // namespace tessivar
