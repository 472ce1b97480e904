#pragma once

#include "DeviceOptions.h"
#include "DeviceSession.h"
#include "DeviceState.h"
#include "LogDownload.h"
#include "ServerDiscovery.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace tessivar::devicecli {

// One run of tessivar-device: find the server, connect, register, then list, send,
// fetch logs and watch, in that order, as the options ask. finished() carries the exit
// status: 0 done, 1 a request failed, 2 the server could not be reached.
class DeviceRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int kExitFailed = 1;
    static constexpr int kExitUnreachable = 2;
    // After the block list, how long to wait for the parameters of every block.
    static constexpr std::chrono::milliseconds kBlockSettleTime{3000};
    // How long a closing connection may take before the program ends anyway.
    static constexpr std::chrono::milliseconds kCloseTime{2000};

    explicit DeviceRun(const DeviceOptions& options, QObject* parent = nullptr);
    ~DeviceRun() override;

    void start();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void connectTo(const QString& host);
    void onRegistered(const QList<quint32>& blockIds);
    void nextStep();
    void printBlocks();
    bool sendValues();
    void requestLogs();
    void onFileTransfer(const FileTransferMetaData_t& metaData, const QByteArray& data, quint64 sequenceId);
    void watchSignals();
    void fail(int exitCode, const QString& message);
    void finish(int exitCode);

    enum class Step { Connecting, Listing, Sending, FetchingLogs, Watching, Done };

    DeviceOptions m_options;
    DeviceState m_state;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<ServerDiscovery> m_discovery;
    std::unique_ptr<LogDownload> m_logs;
    std::unique_ptr<QSocketNotifier> m_quitNotifier;
    QTextStream m_out;
    QTextStream m_err;
    QTimer m_stepTimer;
    QTimer m_durationTimer;
    Step m_step = Step::Connecting;
    QString m_serverAddress;
    QString m_name;
    bool m_finishing = false;
};

} // namespace tessivar::devicecli
