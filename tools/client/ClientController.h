#pragma once

#include "BlockModel.h"
#include "ClientOptions.h"
#include "DeviceSession.h"
#include "DeviceState.h"
#include "DisplayFileCache.h"
#include "FileSending.h"
#include "ServerDiscovery.h"
#include "ServerListModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace tessivar::client {

// The client's device side behind the window: the connection to one server (chosen in
// the list, given, or the last one), the registration, the blocks the server creates,
// updates and deletes, the display files they need, the transfers the server asks for
// and the dashboard it exports or imports. Nothing of the desktop lives here.
class ClientController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString serverName READ serverName NOTIFY stateChanged)
    Q_PROPERTY(QString serverAddress READ serverAddress NOTIFY stateChanged)
    Q_PROPERTY(QString deviceName READ deviceName CONSTANT)
    Q_PROPERTY(QString currentProfile READ currentProfile WRITE setCurrentProfile NOTIFY currentProfileChanged)
    Q_PROPERTY(QObject* blocks READ blockModel CONSTANT)
    Q_PROPERTY(QObject* servers READ serverModel CONSTANT)
public:
    // Back-off of the reconnection: from the first interval, doubled up to this.
    static constexpr std::chrono::milliseconds kMaximumReconnectInterval{30000};
    // The server greets a connected device every 2 s; this long without a word, it is gone.
    static constexpr std::chrono::milliseconds kDefaultSilenceLimit{30000};
    // A toast shows at least this long and at most a minute, whatever the server asks.
    static constexpr int kMinimumToastDuration = 1000;
    static constexpr int kMaximumToastDuration = 60000;
    // A toast is a line or two; longer texts are cut.
    static constexpr qsizetype kMaximumToastLength = 500;
    // A server offers tens of data classes; those past this many are not fetched.
    static constexpr qsizetype kMaximumFetchedClasses = 512;

    struct Folders {
        QString data;  // layout, settings, logs
        QString cache; // display files
    };

    ClientController(const ClientOptions& options, const Folders& folders, QObject* parent = nullptr);
    ~ClientController() override;

    // The user's data and cache folders of this program.
    static Folders defaultFolders();

    // Connects to the given or the last server and listens for the others' Hellos.
    void start();

    QString state() const;
    QString serverName() const;
    QString serverAddress() const;
    QString deviceName() const;
    QString currentProfile() const;
    void setCurrentProfile(const QString& profile);
    BlockModel* blockModel();
    QObject* serverModel();
    devicecli::DeviceState& deviceState();
    QString layoutFile() const;

    // The user chose a server of the list (or typed one).
    Q_INVOKABLE void connectTo(const QString& host, int port);
    Q_INVOKABLE void disconnectFromServer();
    // A data widget wrote into its moduleData: the server gets it as Data.
    Q_INVOKABLE void sendData(quint32 blockId, const QVariantMap& data);
    // The user removed a block: gone here, and the server is told.
    Q_INVOKABLE void removeBlock(quint32 blockId);

    void setReconnectInterval(std::chrono::milliseconds interval);
    void setSilenceLimit(std::chrono::milliseconds limit);

Q_SIGNALS:
    void stateChanged();
    void currentProfileChanged();
    void toast(const QString& text, int duration);
    void displayFilesRequested(const QStringList& dataClasses);

private:
    void setState(const QString& state);
    void wireSession();
    void openSession();
    void scheduleReconnect();
    void onCatalogue(const QList<ModuleDataClassInfo_t>& catalogue);
    void onRegistered();
    void onBlockCreated(quint32 blockId, const QString& dataClass);
    void onFileTransfer(const FileTransferMetaData_t& metaData, const QByteArray& data, quint64 sequenceId);
    void onFileTransferRequest(FileTransferRequestType_e type);
    void refreshWidgetUrls();
    void keepStateInStepWithLayout();
    QList<ModuleDataClassInfo_t> claimedClasses(const QList<ModuleDataClassInfo_t>& catalogue) const;
    BlockCreationStatus_e admission(const QString& dataClass) const;
    QMap<QString, QList<communication::DashboardExportModule>> dashboardLayout() const;

    ClientOptions m_options;
    Folders m_folders;
    devicecli::DeviceState m_deviceState;
    BlockModel m_blocks;
    DisplayFileCache m_cache;
    ServerListModel m_servers;
    std::unique_ptr<devicecli::DeviceSession> m_session;
    std::unique_ptr<devicecli::ServerDiscovery> m_discovery;
    devicecli::FileSending m_sending;
    communication::MessageSender_t m_self;
    QString m_host;
    quint16 m_port = 0;
    QString m_state;
    QString m_currentProfile;
    QStringList m_fetching; // classes whose files were asked for and are on their way
    QTimer m_reconnectTimer;
    QTimer m_silenceTimer;
    std::chrono::milliseconds m_reconnectInterval;
    std::chrono::milliseconds m_nextReconnect;
    bool m_wanted = false; // the user wants a connection, so a lost one is made again
};

} // namespace tessivar::client
