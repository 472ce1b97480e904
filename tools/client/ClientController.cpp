// The client's one session with a server: connection, registration, display files, blocks and requests, each a few
// lines.
#include "ClientController.h"

#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "core/ApplicationConstants.h"
#include "core/Logging.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QSysInfo>

#include <algorithm>

namespace tessivar::client {

namespace {

constexpr quint16 kTransferAcknowledged = 4;
const QString kLastHostKey = QStringLiteral("LastServer/Host");
const QString kLastPortKey = QStringLiteral("LastServer/Port");
const QString kCatalogueKey = QStringLiteral("LastServer/Catalogue");
// The catalogue kept between runs lists a few classes of a few files each.
constexpr int kMaximumKeptClasses = 512;

QJsonArray catalogueJson(const QList<ModuleDataClassInfo_t>& catalogue)
{
    QJsonArray classes;
    for (const ModuleDataClassInfo_t& info : catalogue) {
        QJsonArray files;
        for (const auto& file : info.fileList)
            files.append(QJsonObject{{QStringLiteral("Name"), file.fileName}, {QStringLiteral("Crc"), file.fileCrc}});
        classes.append(QJsonObject{{QStringLiteral("Class"), info.classId}, {QStringLiteral("Files"), files}});
    }
    return classes;
}

QList<ModuleDataClassInfo_t> catalogueFromJson(const QByteArray& text)
{
    QList<ModuleDataClassInfo_t> catalogue;
    for (const QJsonValue& value : QJsonDocument::fromJson(text).array()) {
        if (catalogue.size() >= kMaximumKeptClasses)
            break;
        ModuleDataClassInfo_t info;
        info.classId = value[QStringLiteral("Class")].toString();
        for (const QJsonValue& file : value[QStringLiteral("Files")].toArray())
            info.fileList.append(
                {file[QStringLiteral("Name")].toString(), static_cast<quint16>(file[QStringLiteral("Crc")].toInt())});
        if (!info.classId.isEmpty())
            catalogue.append(info);
    }
    return catalogue;
}

} // namespace

ClientController::Folders ClientController::defaultFolders()
{
    return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/display-files")};
}

ClientController::ClientController(const ClientOptions& options, const Folders& folders, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_folders(folders)
    , m_deviceState(QDir(folders.data).filePath(QStringLiteral("client.ini")))
    , m_blocks(QDir(folders.data).filePath(QStringLiteral("layout.json")))
    , m_cache(folders.cache)
    , m_sending([this](const FileTransferMetaData_t& metaData, const QByteArray& data) {
        if (m_session)
            m_session->send(communication::Message_FileTransfer(metaData, data));
    })
    , m_reconnectInterval(options.reconnectInterval)
    , m_nextReconnect(options.reconnectInterval)
{
    m_blocks.load();
    m_currentProfile = m_blocks.profiles().value(0);
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &ClientController::openSession);
    m_silenceTimer.setSingleShot(true);
    m_silenceTimer.setInterval(kDefaultSilenceLimit);
    connect(&m_silenceTimer, &QTimer::timeout, this, [this] {
        qWarning() << "The server at" << serverAddress() << "said nothing for" << m_silenceTimer.interval()
                   << "ms; connecting anew";
        m_session->close();
        scheduleReconnect();
    });
}

ClientController::~ClientController()
{
    // The session and discovery go after the timers their signals would touch.
    if (m_session)
        m_session->disconnect(this);
    if (m_discovery)
        m_discovery->disconnect(this);
}

void ClientController::setReconnectInterval(std::chrono::milliseconds interval)
{
    m_reconnectInterval = interval;
    m_nextReconnect = interval;
}

void ClientController::setSilenceLimit(std::chrono::milliseconds limit)
{
    m_silenceTimer.setInterval(limit);
}

void ClientController::start()
{
    m_deviceState.useId(m_deviceState.storedId());
    keepStateInStepWithLayout();
    m_self.id = m_deviceState.id();
    m_self.name = deviceName();
    m_self.softwareVersion = softwareVersion();
    m_self.applicationType = device::ApplicationType_e::Client;
    qInfo() << "This client:" << m_self.name << m_self.id;
    m_session = std::make_unique<devicecli::DeviceSession>(m_self, m_deviceState);
    wireSession();
    const QList<ModuleDataClassInfo_t> kept = catalogueFromJson(m_deviceState.value(kCatalogueKey).toString().toUtf8());
    for (const ModuleDataClassInfo_t& info : kept)
        m_blocks.setWidgetUrl(info.classId, m_cache.widgetUrl(info));

    m_discovery = std::make_unique<devicecli::ServerDiscovery>(m_options.port);
    connect(m_discovery.get(), &devicecli::ServerDiscovery::serverFound, this,
            [this](const QHostAddress& address, const QString& name) {
                m_servers.heard(name, address.toString(), m_options.port);
            });
    if (!m_discovery->listen()) {
        // The server on this computer holds the port; it is still there on loopback.
        qInfo() << "Cannot listen for servers' Hellos:" << m_discovery->errorString();
        m_servers.heard(tr("This computer"), QStringLiteral("127.0.0.1"), m_options.port);
    }
    QString host = m_options.host;
    quint16 port = m_options.port;
    if (host.isEmpty()) {
        host = m_deviceState.value(kLastHostKey).toString();
        port = static_cast<quint16>(m_deviceState.value(kLastPortKey, m_options.port).toUInt());
    }
    if (host.isEmpty())
        setState(QStringLiteral("choosing"));
    else
        connectTo(host, port);
}

void ClientController::wireSession()
{
    using devicecli::DeviceSession;
    DeviceSession* session = m_session.get();
    session->setClaimedClasses([this](const auto& catalogue) { return claimedClasses(catalogue); });
    session->setBlockAdmission([this](const QString& dataClass) { return admission(dataClass); });
    session->setDashboardLayout([this] { return dashboardLayout(); });
    connect(session, &DeviceSession::messageArrived, this, [this] { m_silenceTimer.start(); });
    connect(session, &DeviceSession::connected, this, [this] {
        qInfo() << "Connected to" << serverAddress();
        setState(QStringLiteral("registering"));
    });
    const auto lost = [this](const QString& why) {
        qInfo() << "Connection to" << serverAddress() << "lost:" << why;
        m_silenceTimer.stop();
        m_sending.clear();
        m_fetching.clear();
        scheduleReconnect();
    };
    connect(session, &DeviceSession::connectionFailed, this, lost);
    connect(session, &DeviceSession::disconnected, this, [lost] { lost(QStringLiteral("closed")); });
    connect(session, &DeviceSession::catalogueReceived, this, &ClientController::onCatalogue);
    connect(session, &DeviceSession::registered, this, &ClientController::onRegistered);
    connect(session, &DeviceSession::blockCreated, this, &ClientController::onBlockCreated);
    connect(session, &DeviceSession::blockDeleted, this, [this](quint32 blockId) { m_blocks.remove(blockId); });
    connect(session, &DeviceSession::parametersReceived, this,
            [this](quint32 blockId, const QVariantMap& parameters) { m_blocks.updateParameters(blockId, parameters); });
    connect(session, &DeviceSession::dataReceived, this,
            [this](quint32 blockId, const QVariantMap& data) { m_blocks.updateData(blockId, data); });
    connect(session, &DeviceSession::notificationReceived, this, [this](const QString& text, int duration) {
        Q_EMIT toast(text.left(kMaximumToastLength),
                     std::clamp(duration, kMinimumToastDuration, kMaximumToastDuration));
    });
    connect(session, &DeviceSession::fileTransferReceived, this, &ClientController::onFileTransfer);
    connect(session, &DeviceSession::fileTransferRequested, this,
            [this](FileTransferRequestType_e type, const QByteArray&, quint64) { onFileTransferRequest(type); });
    connect(session, &DeviceSession::dashboardExported, this,
            [](int count) { qInfo() << "Dashboard exported:" << count << "blocks"; });
    connect(session, &DeviceSession::dashboardImported, this, [](int created, int requested) {
        qInfo() << "Dashboard imported:" << created << "of" << requested << "blocks";
    });
}

void ClientController::connectTo(const QString& host, int port)
{
    if (host.trimmed().isEmpty() || port <= 0 || port > 65535) {
        qWarning() << "Not a server address:" << host << port;
        return;
    }
    if (m_session && m_session->isOpen())
        m_session->close();
    m_host = host.trimmed();
    m_port = static_cast<quint16>(port);
    m_wanted = true;
    m_nextReconnect = m_reconnectInterval;
    m_reconnectTimer.stop();
    openSession();
}

void ClientController::disconnectFromServer()
{
    m_wanted = false;
    m_reconnectTimer.stop();
    m_silenceTimer.stop();
    if (m_session)
        m_session->close();
    m_deviceState.setValue(kLastHostKey, QString());
    setState(QStringLiteral("choosing"));
}

void ClientController::openSession()
{
    if (!m_wanted || !m_session)
        return;
    qInfo() << "Connecting to" << serverAddress();
    setState(QStringLiteral("connecting"));
    // The same limit covers a connection that never completes.
    m_silenceTimer.start();
    m_session->open(m_host, m_port);
}

void ClientController::scheduleReconnect()
{
    if (!m_wanted || m_reconnectTimer.isActive())
        return;
    setState(QStringLiteral("reconnecting"));
    qInfo() << "Reconnecting to" << serverAddress() << "in" << m_nextReconnect.count() << "ms";
    m_reconnectTimer.start(m_nextReconnect);
    m_nextReconnect = std::min(m_nextReconnect * 2, kMaximumReconnectInterval);
}

void ClientController::onCatalogue(const QList<ModuleDataClassInfo_t>& catalogue)
{
    m_deviceState.setValue(kCatalogueKey,
                           QString::fromUtf8(QJsonDocument(catalogueJson(catalogue)).toJson(QJsonDocument::Compact)));
    refreshWidgetUrls();
}

QList<ModuleDataClassInfo_t> ClientController::claimedClasses(const QList<ModuleDataClassInfo_t>& catalogue) const
{
    QList<ModuleDataClassInfo_t> held;
    std::copy_if(catalogue.cbegin(), catalogue.cend(), std::back_inserter(held),
                 [this](const ModuleDataClassInfo_t& info) { return m_cache.isComplete(info); });
    return held;
}

BlockCreationStatus_e ClientController::admission(const QString& dataClass) const
{
    const auto& catalogue = m_session->serverCatalogue();
    const bool known = std::any_of(catalogue.cbegin(), catalogue.cend(), [&dataClass](const auto& info) {
        return info.classId == dataClass && !info.fileList.isEmpty();
    });
    return known ? BlockCreationStatus_e::Created : BlockCreationStatus_e::ModuleNotAvailable;
}

void ClientController::onRegistered()
{
    qInfo() << "Registered with" << m_session->serverName() << m_session->serverVersion().toString();
    m_silenceTimer.start();
    m_nextReconnect = m_reconnectInterval;
    m_deviceState.setValue(kLastHostKey, m_host);
    m_deviceState.setValue(kLastPortKey, m_port);
    m_session->send(communication::Message_BlockList(m_blocks.ids()));
    setState(QStringLiteral("connected"));

    QStringList missing;
    for (const ModuleDataClassInfo_t& info : m_session->serverCatalogue()) {
        if (info.fileList.isEmpty() || info.fileList.size() > DisplayFileCache::kMaximumFilesPerClass
            || m_cache.isComplete(info))
            continue;
        if (missing.size() >= kMaximumFetchedClasses) {
            qWarning() << "The server offers more than" << kMaximumFetchedClasses << "data classes; not fetching"
                       << info.classId << "and the ones after it";
            break;
        }
        m_cache.expect(info);
        missing.append(info.classId);
    }
    if (missing.isEmpty())
        return;
    qInfo() << "Requesting display files of" << missing;
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << missing;
    m_fetching = missing;
    m_session->send(communication::Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, request));
    Q_EMIT displayFilesRequested(missing);
}

void ClientController::onBlockCreated(quint32 blockId, const QString& dataClass)
{
    const auto found = m_session->blocks().find(blockId);
    if (found == m_session->blocks().end())
        return;
    const devicecli::DeviceSession::Block& created = found->second;
    bool added = false;
    if (created.geometry) {
        BlockModel::Block block;
        block.id = blockId;
        block.dataClass = dataClass;
        block.profile = created.profiles.isEmpty() ? m_currentProfile : created.profiles.first();
        block.cell = BlockModel::cellOf(*created.geometry);
        block.z = created.z;
        block.parameters = created.parameters;
        block.data = created.data;
        added = m_blocks.addAt(block);
    } else {
        added = m_blocks.add(blockId, dataClass, m_currentProfile, created.parameters, created.data);
    }
    if (!added) {
        qWarning() << "Cannot place block" << blockId << "on the dashboard; it is removed";
        m_session->deleteBlock(blockId);
        return;
    }
    qInfo() << "Block" << blockId << "created:" << dataClass;
    refreshWidgetUrls();
}

void ClientController::refreshWidgetUrls()
{
    if (!m_session)
        return;
    for (const ModuleDataClassInfo_t& info : m_session->serverCatalogue())
        m_blocks.setWidgetUrl(info.classId, m_cache.widgetUrl(info));
}

void ClientController::onFileTransfer(const FileTransferMetaData_t& metaData, const QByteArray& data,
                                      quint64 sequenceId)
{
    if (metaData.status == kTransferAcknowledged) {
        m_sending.acknowledged();
        return;
    }
    switch (m_cache.receive(metaData, data)) {
    case DisplayFileCache::Step::Ignored:
        return;
    case DisplayFileCache::Step::Failed:
        qWarning() << "Display file transfer failed:" << m_cache.errorString();
        return;
    case DisplayFileCache::Step::Acknowledge: {
        FileTransferMetaData_t acknowledgement = metaData;
        acknowledgement.status = kTransferAcknowledged;
        m_session->send(communication::Message_FileTransfer(acknowledgement, QByteArray()), sequenceId);
        if (metaData.status == 2)
            refreshWidgetUrls();
        return;
    }
    case DisplayFileCache::Step::Done:
        qInfo() << "Display files received";
        m_fetching.clear();
        refreshWidgetUrls();
        return;
    }
}

void ClientController::onFileTransferRequest(FileTransferRequestType_e type)
{
    qInfo() << "File transfer requested" << static_cast<int>(type) << "by" << m_session->serverName();
    QStringList paths;
    if (type == FileTransferRequestType_e::LogFiles)
        paths = logFiles();
    else if (type == FileTransferRequestType_e::SettingsFile)
        paths = {m_deviceState.filePath()};
    else
        return;
    QList<devicecli::FileSending::File> files;
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning() << "File" << path << "doesn't exist or is not readable.";
            continue;
        }
        files.append({QFileInfo(path).fileName(), file.read(devicecli::FileSending::kMaximumQueuedBytes)});
    }
    m_sending.queue(files, type);
}

QMap<QString, QList<communication::DashboardExportModule>> ClientController::dashboardLayout() const
{
    QMap<QString, QList<communication::DashboardExportModule>> profiles;
    for (const QString& profile : m_blocks.profiles())
        profiles.insert(profile, {});
    for (const BlockModel::Block& block : m_blocks.blocks())
        profiles[block.profile].append({block.id, QRectF(block.cell), block.z, block.dataClass});
    return profiles;
}

void ClientController::keepStateInStepWithLayout()
{
    const QMap<quint32, QString> kept = m_deviceState.blocks();
    for (const BlockModel::Block& block : m_blocks.blocks())
        if (!kept.contains(block.id))
            m_deviceState.addBlock(block.id, block.dataClass);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        if (!m_blocks.find(it.key()))
            m_deviceState.removeBlock(it.key());
}

void ClientController::sendData(quint32 blockId, const QVariantMap& data)
{
    // The widget holds what it wrote; the model takes the server's answer.
    if (!m_blocks.find(blockId))
        return;
    if (m_session && m_session->isOpen())
        m_session->send(communication::Message_Data(blockId, data));
}

void ClientController::removeBlock(quint32 blockId)
{
    if (!m_blocks.find(blockId))
        return;
    qInfo() << "Removing block" << blockId;
    if (m_session)
        m_session->deleteBlock(blockId);
    m_blocks.remove(blockId);
}

void ClientController::setState(const QString& state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

QString ClientController::state() const
{
    return m_state;
}

QString ClientController::serverName() const
{
    return m_session ? m_session->serverName() : QString();
}

QString ClientController::serverAddress() const
{
    return m_host.isEmpty() ? QString() : QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

QString ClientController::deviceName() const
{
    return m_options.name.isEmpty() ? QSysInfo::machineHostName() : m_options.name;
}

QString ClientController::currentProfile() const
{
    return m_currentProfile;
}

void ClientController::setCurrentProfile(const QString& profile)
{
    if (profile == m_currentProfile || !m_blocks.profiles().contains(profile))
        return;
    m_currentProfile = profile;
    Q_EMIT currentProfileChanged();
}

BlockModel* ClientController::blockModel()
{
    return &m_blocks;
}

QObject* ClientController::serverModel()
{
    return &m_servers;
}

devicecli::DeviceState& ClientController::deviceState()
{
    return m_deviceState;
}

QString ClientController::layoutFile() const
{
    return m_blocks.layoutFile();
}

} // namespace tessivar::client
