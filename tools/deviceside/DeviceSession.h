#pragma once

#include "DeviceState.h"

#include "communication/DashboardExportModule.h"
#include "communication/FileTransferMetaData.h"
#include "communication/IMessage.h"
#include "communication/MessageCodec.h"
#include "communication/MessageSender.h"
#include "core/BlockCreationStatus.h"
#include "core/ModuleDataClassInfo.h"

#include <QObject>
#include <QRectF>
#include <QStringList>
#include <QVariantMap>
#include <QVersionNumber>
#include <QWebSocket>

#include <functional>
#include <map>
#include <optional>

namespace tessivar::devicecli {

// One connection to the server, spoken as a client device: it says Hello, answers the
// server's registration request with its own, accepts the blocks the server creates on
// it, keeps what the server sends about each block, and answers the server's Hellos so
// that an idle connection is not dropped. Messages go through the project's codec.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    // Larger messages are refused: a block's icons and parameters stay far below it.
    static constexpr qint64 kMaximumIncomingMessageSize = 16 * 1024 * 1024;

    // A dashboard holds tens of blocks; more ids than this from one server are ignored.
    static constexpr std::size_t kMaximumBlocks = 10000;

    struct Block {
        QString dataClass; // empty when this device did not keep it
        QVariantMap parameters;
        QVariantMap data;
        bool parametersReceived = false;
        // Where the block sits; a block the server created directly is laid out in a grid.
        std::optional<QRectF> geometry;
        qint32 z = 0;
        QStringList profiles;
    };

    // The profile of every block this device has not been told otherwise about.
    static inline const QString kDefaultProfile = QStringLiteral("Dashboard");

    // The data classes this device claims in its registration, given the server's catalogue.
    using ClaimedClasses_t = std::function<QList<ModuleDataClassInfo_t>(const QList<ModuleDataClassInfo_t>& catalogue)>;
    // Whether a block of that class can be created here (Created, or the status to answer).
    using BlockAdmission_t = std::function<BlockCreationStatus_e(const QString& dataClass)>;
    // The dashboard this device shows, profile by profile, for an export.
    using DashboardLayout_t = std::function<QMap<QString, QList<communication::DashboardExportModule>>()>;

    DeviceSession(const communication::MessageSender_t& self, DeviceState& state, QObject* parent = nullptr);
    ~DeviceSession() override;

    // Without these the device claims the server's own classes and takes every block.
    void setClaimedClasses(ClaimedClasses_t claimed);
    void setBlockAdmission(BlockAdmission_t admission);
    // Without it an export lays the blocks out four to a row.
    void setDashboardLayout(DashboardLayout_t layout);
    const QList<ModuleDataClassInfo_t>& serverCatalogue() const;
    // Forgets a block here and tells the server (DeleteModule).
    void deleteBlock(quint32 blockId);

    void open(const QString& host, quint16 port);
    void close();
    quint64 send(const communication::IMessage& message, std::optional<quint64> responseTo = std::nullopt);

    const std::map<quint32, Block>& blocks() const;
    QList<quint32> listedBlocks() const;
    QString serverName() const;
    QVersionNumber serverVersion() const;
    bool isOpen() const;

Q_SIGNALS:
    void connected();
    // Any message of the server arrived, valid or not: it is there.
    void messageArrived();
    void catalogueReceived(const QList<ModuleDataClassInfo_t>& catalogue);
    void connectionFailed(const QString& error);
    void disconnected();
    void registered(const QList<quint32>& blockIds);
    void parametersReceived(quint32 blockId, const QVariantMap& parameters);
    void dataReceived(quint32 blockId, const QVariantMap& data);
    void blockCreated(quint32 blockId, const QString& dataClass);
    void blockDeleted(quint32 blockId);
    void notificationReceived(const QString& text, int duration);
    // The server asks for this device's log files (1) or settings file (2).
    void fileTransferRequested(FileTransferRequestType_e requestType, const QByteArray& requestData,
                               quint64 sequenceId);
    void fileTransferReceived(const FileTransferMetaData_t& metaData, const QByteArray& data, quint64 sequenceId);
    void dashboardExported(int blockCount);
    void dashboardImported(int createdCount, int requestedCount);

private:
    void onText(const QString& text);
    void dispatch(const communication::MessageHeader_t& header, const communication::IMessage& message);
    void answerRegistration(const communication::MessageHeader_t& header, const communication::IMessage& message);
    // The block of that id, or null when the server has named too many.
    Block* block(quint32 blockId);
    void createBlock(const communication::MessageHeader_t& header, const communication::IMessage& message);
    void answerDashboardExport(const communication::MessageHeader_t& header);
    void importDashboard(const communication::MessageHeader_t& header, const communication::IMessage& message);
    // A new block of that class, kept in the state; null when the device holds too many.
    Block* addBlock(const QString& dataClass, quint32* blockId);

    ClaimedClasses_t m_claimedClasses;
    BlockAdmission_t m_blockAdmission;
    DashboardLayout_t m_dashboardLayout;
    QList<ModuleDataClassInfo_t> m_serverCatalogue;
    communication::MessageSender_t m_self;
    DeviceState& m_state;
    communication::MessageCodec m_codec;
    QWebSocket m_socket;
    quint64 m_nextSequenceId = 0;
    bool m_wasConnected = false;
    bool m_registered = false;
    QString m_serverName;
    QVersionNumber m_serverVersion;
    QList<quint32> m_listed;
    std::map<quint32, Block> m_blocks;
};

} // namespace tessivar::devicecli
