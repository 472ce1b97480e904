#include "HardeningSupport.h"

#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <csignal>

namespace tessivar::test {

using namespace communication;

bool startRealServer(QProcess& server)
{
    server.setProgram(QStringLiteral(TESSIVAR_PROGRAM));
    server.setArguments({QStringLiteral("--minimized")});
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start();
    return server.waitForStarted(10000);
}

bool killNine(QProcess& server)
{
    if (server.state() == QProcess::NotRunning)
        return false;
    ::kill(static_cast<pid_t>(server.processId()), SIGKILL);
    return server.waitForFinished(10000) && server.exitStatus() == QProcess::CrashExit;
}

std::optional<QList<BlockId_t>> registerWithRealServer(TestPeer& peer, quint16 port, const QProcess& server,
                                                       int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A refused connection (not listening yet) returns at once and is tried again. One
    // the server accepted is given the whole time for its handshake: a start-up on a
    // loaded machine may keep the server from answering for seconds, and abandoning the
    // handshake after half a second made every next try an unfinished handshake more from
    // this address, until the server turned the address away and the run timed out.
    while (!peer.connectToServer(port, QHostAddress::LocalHost, int(std::max<qint64>(deadline.remainingTime(), 1)))) {
        if (deadline.hasExpired() || server.state() != QProcess::Running)
            return std::nullopt;
        QTest::qWait(20);
    }
    peer.sender().softwareVersion = QVersionNumber(2, 0, 0);
    peer.send(Message_Hello(peer.sender().id));
    if (!peer.waitForMessage(MessageType_e::RegisterDevice, 10000))
        return std::nullopt;
    peer.send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                     QVersionNumber(2, 0, 0), {}));
    const auto* blocks = as<Message_BlockList>(peer.waitForMessage(MessageType_e::ModuleList, 10000));
    if (!blocks)
        return std::nullopt;
    return blocks->GetBlockIds();
}

qint64 peakResidentKb(const QProcess& process)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void KillNineFigures::print() const
{
    qInfo().noquote() << QStringLiteral(
                             "FIGURES kill-9: kills=%1 changes=%2 blocks-lost=%3 values-torn=%4 stale-checksums=%5")
                             .arg(kills)
                             .arg(changes)
                             .arg(blocksLost)
                             .arg(valuesTorn)
                             .arg(staleChecksums);
}

} // namespace tessivar::test
