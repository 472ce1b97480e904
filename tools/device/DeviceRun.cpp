#include "DeviceRun.h"

#include "ValueText.h"

#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "core/ApplicationConstants.h"
#include "platform/QuitSignals.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QHostInfo>
#include <QIODevice>

#include <algorithm>
#include <cstdio>

namespace tessivar::devicecli {

namespace {

constexpr quint16 kTransferAcknowledged = 4;
const QString kTitleKey = QStringLiteral("TessivarModuleTitle");

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(duration.count() / 1000.0);
}

} // namespace

DeviceRun::DeviceRun(const DeviceOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_state(options.stateFile)
    , m_out(stdout)
    , m_err(stderr)
{
    m_stepTimer.setSingleShot(true);
    m_durationTimer.setSingleShot(true);
    connect(&m_durationTimer, &QTimer::timeout, this, [this] { finish(0); });
}

DeviceRun::~DeviceRun() = default;

void DeviceRun::start()
{
    m_state.useId(m_options.id.isEmpty() ? m_state.storedId() : m_options.id);
    communication::MessageSender_t self;
    self.id = m_state.id();
    self.name = m_options.name.isEmpty() ? QStringLiteral("tessivar-device on %1").arg(QHostInfo::localHostName())
                                         : m_options.name;
    m_name = self.name;
    self.softwareVersion = softwareVersion();
    self.applicationType = device::ApplicationType_e::Client;
    m_session = std::make_unique<DeviceSession>(self, m_state);
    watchSignals();
    m_out << "This device: \"" << m_name << "\" [" << m_state.id() << ']' << Qt::endl;

    if (!m_options.host.isEmpty()) {
        connectTo(m_options.host);
        return;
    }
    m_discovery = std::make_unique<ServerDiscovery>(m_options.port);
    connect(m_discovery.get(), &ServerDiscovery::serverFound, this,
            [this](const QHostAddress& address, const QString& name) {
                m_out << "Found server \"" << plainText(name) << "\" at " << address.toString() << ':' << m_options.port
                      << Qt::endl;
                connectTo(address.toString());
            });
    connect(m_discovery.get(), &ServerDiscovery::timedOut, this, [this] {
        fail(kExitUnreachable,
             QStringLiteral("No Tessivar server announced itself on UDP port %1 within %2 s. "
                            "Give its address with --address.")
                 .arg(m_options.port)
                 .arg(seconds(m_options.timeout)));
    });
    if (!m_discovery->start(m_options.timeout)) {
        fail(kExitUnreachable,
             QStringLiteral("Cannot listen for the server's Hello on UDP port %1: %2. "
                            "Give its address with --address.")
                 .arg(m_options.port)
                 .arg(m_discovery->errorString()));
        return;
    }
    m_out << "Waiting for a Tessivar server's Hello on UDP port " << m_options.port << "..." << Qt::endl;
}

void DeviceRun::connectTo(const QString& host)
{
    m_serverAddress = QStringLiteral("%1:%2").arg(host).arg(m_options.port);
    connect(m_session.get(), &DeviceSession::connectionFailed, this, [this](const QString& error) {
        fail(kExitUnreachable,
             QStringLiteral("Cannot reach the Tessivar server at %1: %2").arg(m_serverAddress, error));
    });
    connect(m_session.get(), &DeviceSession::connected, this, [this] {
        m_stepTimer.disconnect();
        connect(&m_stepTimer, &QTimer::timeout, this, [this] {
            fail(kExitUnreachable,
                 QStringLiteral("The server at %1 did not register this device within %2 s")
                     .arg(m_serverAddress, seconds(m_options.timeout)));
        });
        m_stepTimer.start(m_options.timeout);
    });
    connect(m_session.get(), &DeviceSession::disconnected, this, [this] {
        if (!m_finishing)
            fail(kExitUnreachable, QStringLiteral("The server at %1 closed the connection").arg(m_serverAddress));
    });
    connect(m_session.get(), &DeviceSession::registered, this, &DeviceRun::onRegistered);
    connect(m_session.get(), &DeviceSession::fileTransferReceived, this, &DeviceRun::onFileTransfer);
    connect(m_session.get(), &DeviceSession::notificationReceived, this, [this](const QString& text, int duration) {
        m_out << "Notification: " << valueText(text) << " (" << duration << " ms)" << Qt::endl;
    });
    connect(m_session.get(), &DeviceSession::blockCreated, this, [this](quint32 blockId, const QString& dataClass) {
        m_out << "Block " << blockId << " created: " << plainText(dataClass) << Qt::endl;
    });
    connect(m_session.get(), &DeviceSession::dashboardExported, this,
            [this](int blockCount) { m_out << "Dashboard exported: " << blockCount << " blocks" << Qt::endl; });
    connect(m_session.get(), &DeviceSession::dashboardImported, this, [this](int created, int requested) {
        m_out << "Dashboard imported: " << created << " of " << requested << " blocks" << Qt::endl;
    });
    connect(m_session.get(), &DeviceSession::blockDeleted, this,
            [this](quint32 blockId) { m_out << "Block " << blockId << " deleted" << Qt::endl; });
    connect(m_session.get(), &DeviceSession::parametersReceived, this,
            [this](quint32 blockId, const QVariantMap& parameters) {
                if (m_step == Step::Watching) {
                    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
                        m_out << "Parameter of block " << blockId << ": " << plainText(it.key()) << " = "
                              << valueText(*it) << Qt::endl;
                }
                if (m_step == Step::Listing) {
                    const auto& blocks = m_session->blocks();
                    const bool all = std::all_of(blocks.cbegin(), blocks.cend(),
                                                 [](const auto& entry) { return entry.second.parametersReceived; });
                    if (all)
                        nextStep();
                }
            });
    connect(m_session.get(), &DeviceSession::dataReceived, this, [this](quint32 blockId, const QVariantMap& data) {
        if (m_step != Step::Watching)
            return;
        for (auto it = data.cbegin(); it != data.cend(); ++it)
            m_out << "Data of block " << blockId << ": " << plainText(it.key()) << " = " << valueText(*it) << Qt::endl;
    });

    m_stepTimer.disconnect();
    connect(&m_stepTimer, &QTimer::timeout, this, [this] {
        fail(kExitUnreachable,
             QStringLiteral("Cannot reach the Tessivar server at %1: no answer within %2 s")
                 .arg(m_serverAddress, seconds(m_options.timeout)));
    });
    m_stepTimer.start(m_options.timeout);
    m_session->open(host, m_options.port);
}

void DeviceRun::onRegistered(const QList<quint32>& blockIds)
{
    m_stepTimer.stop();
    m_out << "Registered with \"" << plainText(m_session->serverName()) << "\" (version "
          << m_session->serverVersion().toString() << ")" << Qt::endl;
    QStringList ids;
    for (quint32 blockId : blockIds)
        ids.append(QString::number(blockId));
    m_out << "Blocks on this device: " << (ids.isEmpty() ? QStringLiteral("none") : ids.join(QStringLiteral(", ")))
          << Qt::endl;
    m_step = Step::Connecting;
    nextStep();
}

// Each step ends by calling nextStep(), which starts the next one the options ask for.
void DeviceRun::nextStep()
{
    m_stepTimer.stop();
    m_stepTimer.disconnect();
    switch (m_step) {
    case Step::Connecting:
        if (m_options.list) {
            m_step = Step::Listing;
            const auto& blocks = m_session->blocks();
            const bool all = std::all_of(blocks.cbegin(), blocks.cend(),
                                         [](const auto& entry) { return entry.second.parametersReceived; });
            if (!all) {
                connect(&m_stepTimer, &QTimer::timeout, this, &DeviceRun::nextStep);
                m_stepTimer.start(std::min(kBlockSettleTime, m_options.timeout));
                return;
            }
        }
        [[fallthrough]];
    case Step::Listing:
        if (m_step == Step::Listing)
            printBlocks();
        if (m_options.sendBlock) {
            m_step = Step::Sending;
            if (!sendValues())
                return;
        }
        [[fallthrough]];
    case Step::Sending:
        if (!m_options.logFolder.isEmpty()) {
            m_step = Step::FetchingLogs;
            requestLogs();
            return;
        }
        [[fallthrough]];
    case Step::FetchingLogs:
        if (m_options.watch()) {
            m_step = Step::Watching;
            if (m_options.duration)
                m_durationTimer.start(*m_options.duration);
            m_out << "Watching; stop with Ctrl+C." << Qt::endl;
            return;
        }
        finish(0);
        return;
    case Step::Watching:
    case Step::Done:
        return;
    }
}

void DeviceRun::printBlocks()
{
    const QList<quint32> listed = m_session->listedBlocks();
    for (quint32 blockId : listed) {
        const auto found = m_session->blocks().find(blockId);
        if (found == m_session->blocks().end())
            continue;
        const DeviceSession::Block& block = found->second;
        m_out << "Block " << blockId << Qt::endl;
        m_out << "    Data class: "
              << (block.dataClass.isEmpty() ? QStringLiteral("(not kept by this device)") : plainText(block.dataClass))
              << Qt::endl;
        m_out << "    Title: " << valueText(block.parameters.value(kTitleKey, QString())) << Qt::endl;
        m_out << "    Parameters:" << Qt::endl;
        for (auto it = block.parameters.cbegin(); it != block.parameters.cend(); ++it)
            m_out << "        " << plainText(it.key()) << " = " << valueText(*it) << Qt::endl;
        if (!block.data.isEmpty()) {
            m_out << "    Data:" << Qt::endl;
            for (auto it = block.data.cbegin(); it != block.data.cend(); ++it)
                m_out << "        " << plainText(it.key()) << " = " << valueText(*it) << Qt::endl;
        }
    }
}

bool DeviceRun::sendValues()
{
    const quint32 blockId = *m_options.sendBlock;
    if (!m_session->listedBlocks().contains(blockId)) {
        fail(kExitFailed, QStringLiteral("Block %1 is not on this device [%2]").arg(blockId).arg(m_state.id()));
        return false;
    }
    m_session->send(communication::Message_Data(blockId, m_options.sendValues));
    for (auto it = m_options.sendValues.cbegin(); it != m_options.sendValues.cend(); ++it)
        m_out << "Sent to block " << blockId << ": " << plainText(it.key()) << " = " << valueText(*it) << Qt::endl;
    return true;
}

void DeviceRun::requestLogs()
{
    m_logs = std::make_unique<LogDownload>(m_options.logFolder);
    if (!m_logs->prepare()) {
        fail(kExitFailed, m_logs->errorString());
        return;
    }
    QByteArray requestData;
    {
        QDataStream stream(&requestData, QIODevice::WriteOnly);
        stream.setVersion(kDataStreamVersion);
        stream << QString();
    }
    m_session->send(communication::Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, requestData));
    m_out << "Requested the server's log files" << Qt::endl;
    connect(&m_stepTimer, &QTimer::timeout, this, [this] {
        fail(kExitFailed,
             m_logs->writtenFiles().isEmpty()
                 ? QStringLiteral("The server sent no log files within %1 s (it writes them when "
                                  "debug logging is on in its settings)")
                       .arg(seconds(m_options.timeout))
                 : QStringLiteral("The server stopped sending its log files"));
    });
    m_stepTimer.start(m_options.timeout);
}

void DeviceRun::onFileTransfer(const FileTransferMetaData_t& metaData, const QByteArray& data, quint64 sequenceId)
{
    if (m_step != Step::FetchingLogs || !m_logs)
        return;
    switch (m_logs->receive(metaData, data)) {
    case LogDownload::Step::Ignored:
        return;
    case LogDownload::Step::Failed:
        fail(kExitFailed, m_logs->errorString());
        return;
    case LogDownload::Step::Acknowledge: {
        FileTransferMetaData_t acknowledgement = metaData;
        acknowledgement.status = kTransferAcknowledged;
        m_session->send(communication::Message_FileTransfer(acknowledgement, QByteArray()), sequenceId);
        m_stepTimer.start(m_options.timeout);
        return;
    }
    case LogDownload::Step::Done:
        for (const QString& file : m_logs->writtenFiles())
            m_out << "Received " << file << Qt::endl;
        nextStep();
        return;
    }
}

void DeviceRun::watchSignals()
{
    const int descriptor = platform::installQuitSignalPipe();
    if (descriptor < 0)
        return;
    m_quitNotifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    connect(m_quitNotifier.get(), &QSocketNotifier::activated, this, [this, descriptor] {
        platform::takeQuitSignal(descriptor);
        finish(0);
    });
}

void DeviceRun::fail(int exitCode, const QString& message)
{
    if (m_finishing)
        return;
    m_err << "tessivar-device: " << message << Qt::endl;
    finish(exitCode);
}

void DeviceRun::finish(int exitCode)
{
    if (m_finishing)
        return;
    m_finishing = true;
    m_step = Step::Done;
    m_stepTimer.stop();
    m_stepTimer.disconnect();
    m_out.flush();
    if (!m_session || !m_session->isOpen()) {
        Q_EMIT finished(exitCode);
        return;
    }
    // The close frame follows whatever was sent, so the server reads it all first.
    connect(m_session.get(), &DeviceSession::disconnected, this, [this, exitCode] { Q_EMIT finished(exitCode); });
    connect(&m_stepTimer, &QTimer::timeout, this, [this, exitCode] { Q_EMIT finished(exitCode); });
    m_stepTimer.start(kCloseTime);
    m_session->close();
}

} // namespace tessivar::devicecli
