#include "DeviceSession.h"

#include "communication/MessageType.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"

#include <QTcpSocket>
#include <QUrl>

namespace tessivar::devicecli {

using communication::MessageType_e;

DeviceSession::DeviceSession(const communication::MessageSender_t& self, DeviceState& state, QObject* parent)
    : QObject(parent)
    , m_self(self)
    , m_state(state)
{
    m_socket.setMaxAllowedIncomingMessageSize(kMaximumIncomingMessageSize);
    m_socket.setMaxAllowedIncomingFrameSize(kMaximumIncomingMessageSize);
    connect(&m_socket, &QWebSocket::connected, this, [this] {
        // A press is one small message: without this it waits for the ACK of the one
        // before, which the server holds back for up to 40 ms. QWebSocket keeps its TCP
        // socket as a child and offers no option of its own.
        if (auto* tcp = m_socket.findChild<QTcpSocket*>())
            tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_wasConnected = true;
        send(communication::Message_Hello(m_self.id));
        Q_EMIT connected();
    });
    connect(&m_socket, &QWebSocket::disconnected, this, [this] {
        if (m_wasConnected)
            Q_EMIT disconnected();
        else
            Q_EMIT connectionFailed(m_socket.errorString());
    });
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [this] {
        if (!m_wasConnected)
            Q_EMIT connectionFailed(m_socket.errorString());
    });
    connect(&m_socket, &QWebSocket::textMessageReceived, this, &DeviceSession::onText);
}

DeviceSession::~DeviceSession()
{
    // A socket that goes while connected still reports it; nobody is left to hear.
    m_socket.disconnect(this);
}

void DeviceSession::setClaimedClasses(ClaimedClasses_t claimed)
{
    m_claimedClasses = std::move(claimed);
}

void DeviceSession::setBlockAdmission(BlockAdmission_t admission)
{
    m_blockAdmission = std::move(admission);
}

void DeviceSession::setDashboardLayout(DashboardLayout_t layout)
{
    m_dashboardLayout = std::move(layout);
}

const QList<ModuleDataClassInfo_t>& DeviceSession::serverCatalogue() const
{
    return m_serverCatalogue;
}

void DeviceSession::deleteBlock(quint32 blockId)
{
    m_blocks.erase(blockId);
    m_listed.removeAll(blockId);
    m_state.removeBlock(blockId);
    if (isOpen())
        send(communication::Message_DeleteBlock(blockId));
}

void DeviceSession::open(const QString& host, quint16 port)
{
    // A new connection registers anew.
    m_wasConnected = false;
    m_registered = false;
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(host);
    url.setPort(port);
    m_socket.open(url);
}

void DeviceSession::close()
{
    m_socket.close();
}

bool DeviceSession::isOpen() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

quint64 DeviceSession::send(const communication::IMessage& message, std::optional<quint64> responseTo)
{
    const quint64 sequenceId = m_nextSequenceId++;
    if (const std::optional<QByteArray> data = m_codec.Serialize(message, sequenceId, responseTo, m_self))
        m_socket.sendTextMessage(QString::fromUtf8(*data));
    return sequenceId;
}

const std::map<quint32, DeviceSession::Block>& DeviceSession::blocks() const
{
    return m_blocks;
}

QList<quint32> DeviceSession::listedBlocks() const
{
    return m_listed;
}

QString DeviceSession::serverName() const
{
    return m_serverName;
}

QVersionNumber DeviceSession::serverVersion() const
{
    return m_serverVersion;
}

void DeviceSession::onText(const QString& text)
{
    Q_EMIT messageArrived();
    const auto parsed = m_codec.Parse(text.toUtf8());
    if (!parsed) {
        qWarning() << "Rejected a message from the server that is not a valid envelope:" << text.left(200);
        return;
    }
    const auto message = m_codec.CreateMessage(parsed->second, parsed->first.id);
    if (!message || !*message) {
        qWarning() << "Rejected a message from the server with an invalid body:" << parsed->first.id;
        return;
    }
    dispatch(parsed->first, **message);
}

void DeviceSession::dispatch(const communication::MessageHeader_t& header, const communication::IMessage& message)
{
    switch (message.GetType()) {
    case MessageType_e::Hello:
        // The server's Hello keeps the connection alive; answering it shows this device is.
        if (m_registered)
            send(communication::Message_Hello(m_self.id));
        break;
    case MessageType_e::RegisterDevice:
        answerRegistration(header, message);
        break;
    case MessageType_e::ModuleList: {
        const auto& list = static_cast<const communication::Message_BlockList&>(message);
        m_listed = list.GetBlockIds().mid(0, static_cast<qsizetype>(kMaximumBlocks));
        const QMap<quint32, QString> kept = m_state.blocks();
        for (quint32 blockId : m_listed) {
            if (Block* known = block(blockId))
                known->dataClass = kept.value(blockId);
        }
        if (!m_registered) {
            m_registered = true;
            Q_EMIT registered(m_listed);
        }
        break;
    }
    case MessageType_e::RegisterModule:
        createBlock(header, message);
        break;
    case MessageType_e::UpdateParameters: {
        const auto& update = static_cast<const communication::Message_UpdateParameters&>(message);
        Block* updated = block(update.GetBlockId());
        if (!updated)
            break;
        updated->parametersReceived = true;
        updated->parameters.insert(update.GetParameters());
        Q_EMIT parametersReceived(update.GetBlockId(), update.GetParameters());
        break;
    }
    case MessageType_e::Data: {
        const auto& data = static_cast<const communication::Message_Data&>(message);
        Block* updated = block(data.GetBlockId());
        if (!updated)
            break;
        updated->data.insert(data.GetData());
        Q_EMIT dataReceived(data.GetBlockId(), data.GetData());
        break;
    }
    case MessageType_e::DeleteModule: {
        const quint32 blockId = static_cast<const communication::Message_DeleteBlock&>(message).GetBlockId();
        m_blocks.erase(blockId);
        m_listed.removeAll(blockId);
        m_state.removeBlock(blockId);
        Q_EMIT blockDeleted(blockId);
        break;
    }
    case MessageType_e::Notification: {
        const auto& notification = static_cast<const communication::Message_Notification&>(message);
        Q_EMIT notificationReceived(notification.GetText(), notification.GetDuration());
        break;
    }
    case MessageType_e::DashboardExportRequest:
        answerDashboardExport(header);
        break;
    case MessageType_e::DashboardImportRequest:
        importDashboard(header, message);
        break;
    case MessageType_e::FileTransferRequest: {
        const auto& request = static_cast<const communication::Message_FileTransferRequest&>(message);
        Q_EMIT fileTransferRequested(request.GetRequestType(), request.GetRequestData(), header.sequenceId);
        break;
    }
    case MessageType_e::FileTransfer: {
        const auto& transfer = static_cast<const communication::Message_FileTransfer&>(message);
        Q_EMIT fileTransferReceived(transfer.GetMetaData(), transfer.GetFileData(), header.sequenceId);
        break;
    }
    default:
        break;
    }
}

void DeviceSession::answerRegistration(const communication::MessageHeader_t& header,
                                       const communication::IMessage& message)
{
    const auto& request = static_cast<const communication::Message_RegisterDevice&>(message);
    m_serverName = request.GetName();
    m_serverVersion = request.GetSoftwareVersion();
    m_serverCatalogue = request.GetDataClassInfoList();
    Q_EMIT catalogueReceived(m_serverCatalogue);
    // A device that shows no block claims the server's own data classes: the server then
    // has no files to offer it.
    send(communication::Message_RegisterDevice(m_self.name, m_self.applicationType, m_self.softwareVersion,
                                               m_claimedClasses ? m_claimedClasses(m_serverCatalogue)
                                                                : m_serverCatalogue),
         header.sequenceId);
}

DeviceSession::Block* DeviceSession::block(quint32 blockId)
{
    const auto found = m_blocks.find(blockId);
    if (found != m_blocks.end())
        return &found->second;
    if (m_blocks.size() >= kMaximumBlocks)
        return nullptr;
    return &m_blocks[blockId];
}

DeviceSession::Block* DeviceSession::addBlock(const QString& dataClass, quint32* blockId)
{
    QList<quint32> taken = m_listed;
    for (const auto& [id, known] : m_blocks)
        taken.append(id);
    *blockId = m_state.nextBlockId(taken);
    Block* created = block(*blockId);
    if (!created)
        return nullptr;
    m_state.addBlock(*blockId, dataClass);
    created->dataClass = dataClass;
    created->parametersReceived = true;
    m_listed.append(*blockId);
    return created;
}

void DeviceSession::createBlock(const communication::MessageHeader_t& header, const communication::IMessage& message)
{
    const auto& request = static_cast<const communication::Message_RegisterBlock&>(message);
    const BlockCreationStatus_e admitted
        = m_blockAdmission ? m_blockAdmission(request.GetDataClassId()) : BlockCreationStatus_e::Created;
    if (admitted != BlockCreationStatus_e::Created) {
        qWarning() << "Refused a block of data class" << request.GetDataClassId();
        send(communication::Message_RegisterBlockResponse(admitted, 0, request.GetRequestIndex()), header.sequenceId);
        return;
    }
    quint32 blockId = 0;
    Block* created = addBlock(request.GetDataClassId(), &blockId);
    if (!created) {
        send(communication::Message_RegisterBlockResponse(BlockCreationStatus_e::NotCreated, 0,
                                                          request.GetRequestIndex()),
             header.sequenceId);
        return;
    }
    created->parameters = request.GetParameters();
    created->data = request.GetData();
    send(communication::Message_RegisterBlockResponse(BlockCreationStatus_e::Created, blockId,
                                                      request.GetRequestIndex()),
         header.sequenceId);
    Q_EMIT blockCreated(blockId, created->dataClass);
}

void DeviceSession::answerDashboardExport(const communication::MessageHeader_t& header)
{
    if (m_dashboardLayout) {
        const auto profiles = m_dashboardLayout();
        int count = 0;
        for (const auto& blocks : profiles)
            count += static_cast<int>(blocks.size());
        send(communication::Message_DashboardExportResponse(profiles), header.sequenceId);
        Q_EMIT dashboardExported(count);
        return;
    }
    // A screen-less device lays its blocks out four to a row, one cell each, in id order.
    constexpr int kColumns = 4;
    communication::Message_DashboardExportResponse::Profiles_t profiles;
    int index = 0;
    int count = 0;
    for (const auto& [blockId, known] : m_blocks) {
        if (!m_listed.contains(blockId))
            continue;
        const QRectF cell(index % kColumns, index / kColumns, 1, 1);
        ++index;
        const QStringList onProfiles = known.profiles.isEmpty() ? QStringList{kDefaultProfile} : known.profiles;
        for (const QString& profile : onProfiles)
            profiles[profile].append({blockId, known.geometry.value_or(cell), known.z, known.dataClass});
        ++count;
    }
    send(communication::Message_DashboardExportResponse(profiles), header.sequenceId);
    Q_EMIT dashboardExported(count);
}

void DeviceSession::importDashboard(const communication::MessageHeader_t& header,
                                    const communication::IMessage& message)
{
    const auto& request = static_cast<const communication::Message_DashboardImportRequest&>(message);
    communication::Message_DashboardImportResponse::CreatedBlocks_t created;
    int createdCount = 0;
    for (const communication::DashboardImportModule& entry : request.GetImportData()) {
        quint32 blockId = 0;
        Block* added = addBlock(entry.dataClassId, &blockId);
        // Block id 0 tells the server this one was not created.
        created.insert(entry.creationRequestId, added ? blockId : 0);
        if (!added)
            continue;
        added->parameters = entry.parameters;
        added->data = entry.data;
        added->geometry = entry.geometry;
        added->z = entry.z;
        added->profiles = entry.profiles;
        ++createdCount;
        Q_EMIT blockCreated(blockId, added->dataClass);
    }
    const bool complete = createdCount == request.GetImportData().size();
    send(communication::Message_DashboardImportResponse(
             created,
             complete ? communication::Message_DashboardImportResponse::kStatusSuccessful
                      : communication::Message_DashboardImportResponse::kStatusFailed),
         header.sequenceId);
    Q_EMIT dashboardImported(createdCount, static_cast<int>(request.GetImportData().size()));
}

} // namespace tessivar::devicecli
