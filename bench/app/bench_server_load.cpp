// Load on the running server: 50 registered test peers, each with one live block of the
// test plugin, send Data as fast as the server echoes it back (the test module answers
// every "Value" with Data). Measured beside a bare QWebSocketServer echo of the same
// envelopes from the same peers, in the same run:
//   - Data messages per second sustained, the server's CPU and resident memory meanwhile;
//   - the server's CPU while idle with all peers connected.
// The server is the real program in a temporary working folder. Run it inside a private
// network namespace (scripts/in-private-network.sh): it refuses to run on a real network.

#include "BenchSupport.h"
#include "TestPeer.h"

#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/ApplicationConstants.h"
#include "modules/ModuleRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::TestPeer;

namespace {

constexpr quint16 kServerPort = 20990;
constexpr quint16 kEchoPort = 20991;
// Messages each peer keeps in flight: enough to keep both sides busy, small enough that
// nothing queues up without bound.
constexpr int kWindow = 4;
const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");

struct Options {
    int peers = 50;
    int loadSeconds = 60;
    int idleSeconds = 10;
    int baselineSeconds = 20;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        wait(10);
    }
    return true;
}

// CPU time (user + system) of a process, in seconds, and its resident memory in KiB.
double cpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    // The fields after the command name, which may hold spaces, start after ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

qint64 residentKiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

QString peerId(int index)
{
    return QStringLiteral("%1").arg(index + 1, 32, 16, QLatin1Char('0'));
}

QHostAddress peerAddress(int index)
{
    return QHostAddress(QStringLiteral("127.0.1.%1").arg(index + 1));
}

bool waitForPort(quint16 port, int timeoutMs)
{
    return waitFor(
        [port] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        },
        timeoutMs);
}

// The working folder of the server: the test plugin, one stored block per peer device,
// and the settings.
bool prepareWorkingFolder(const QString& folder, int peers)
{
    const QString pluginFolder = folder + QStringLiteral("/plugins/test");
    if (!QDir().mkpath(pluginFolder)
        || !QFile::copy(QStringLiteral(TESSIVAR_TEST_PLUGIN), pluginFolder + QLatin1Char('/') + pluginFileName()))
        return false;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    for (int i = 0; i < peers; ++i) {
        ModuleRecord record;
        record.SetPluginId(kPlugin);
        record.SetModuleId(kEcho);
        record.SetModuleDataClass(kEcho);
        record.SetDeviceId(peerId(i));
        record.SetBlockId(BlockId_t(i + 1));
    }
    QDir::setCurrent(previous);
    QSettings config(folder + QStringLiteral("/config"), QSettings::IniFormat);
    config.setValue(QStringLiteral("common/Port"), kServerPort);
    config.setValue(QStringLiteral("common/FirstLaunch"), false);
    config.setValue(QStringLiteral("common/DeviceId"), QStringLiteral("fedcba9876543210fedcba9876543210"));
    config.sync();
    return config.status() == QSettings::NoError;
}

struct Figures {
    double messagesPerSecond = 0;
    double cpuPercent = 0;
    double peersCpuPercent = 0; // this process, which plays every peer
    qint64 peakResidentKiB = 0;
    qint64 endResidentKiB = 0;
};

// Every peer keeps kWindow Data messages in flight; each echo sends the next one.
Figures drive(std::vector<std::unique_ptr<TestPeer>>& peers, qint64 serverPid, int seconds)
{
    qint64 echoes = 0;
    bool running = true;
    std::vector<QMetaObject::Connection> connections;
    for (size_t i = 0; i < peers.size(); ++i) {
        TestPeer* peer = peers[i].get();
        const BlockId_t block = BlockId_t(i + 1);
        connections.push_back(QObject::connect(
            peer, &TestPeer::messageReceived, peer, [peer, block, &echoes, &running](MessageType_e type, bool) {
                if (type != MessageType_e::Data)
                    return;
                ++echoes;
                if (peer->received().size() > 256)
                    peer->clearReceived();
                if (running)
                    peer->send(Message_Data(block, {{QStringLiteral("Value"), int(echoes)}}));
            }));
    }
    const double cpuBefore = cpuSeconds(serverPid);
    const double peersCpuBefore = cpuSeconds(QCoreApplication::applicationPid());
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < peers.size(); ++i)
        for (int k = 0; k < kWindow; ++k)
            peers[i]->send(Message_Data(BlockId_t(i + 1), {{QStringLiteral("Value"), k}}));
    while (timer.elapsed() < seconds * 1000) {
        wait(1000);
        figures.peakResidentKiB = std::max(figures.peakResidentKiB, residentKiB(serverPid));
    }
    const double elapsed = double(timer.elapsed()) / 1000.0;
    const qint64 counted = echoes;
    running = false;
    figures.messagesPerSecond = double(counted) / elapsed;
    figures.cpuPercent = 100.0 * (cpuSeconds(serverPid) - cpuBefore) / elapsed;
    figures.peersCpuPercent = 100.0 * (cpuSeconds(QCoreApplication::applicationPid()) - peersCpuBefore) / elapsed;
    figures.endResidentKiB = residentKiB(serverPid);
    wait(500); // let the last echoes drain
    for (const QMetaObject::Connection& connection : connections)
        QObject::disconnect(connection);
    for (auto& peer : peers)
        peer->clearReceived();
    return figures;
}

double idleCpuPercent(qint64 pid, int seconds)
{
    const double before = cpuSeconds(pid);
    QElapsedTimer timer;
    timer.start();
    wait(seconds * 1000);
    return 100.0 * (cpuSeconds(pid) - before) / (double(timer.elapsed()) / 1000.0);
}

int runEchoServer(quint16 port)
{
    QWebSocketServer server(QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
    if (!server.listen(QHostAddress::Any, port))
        return 1;
    QObject::connect(&server, &QWebSocketServer::newConnection, &server, [&server] {
        while (QWebSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QWebSocket::textMessageReceived, socket,
                             [socket](const QString& text) { socket->sendTextMessage(text); });
            QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return QCoreApplication::exec();
}

std::vector<std::unique_ptr<TestPeer>> makePeers(int count)
{
    std::vector<std::unique_ptr<TestPeer>> peers;
    for (int i = 0; i < count; ++i) {
        auto peer = std::make_unique<TestPeer>(peerId(i), peerAddress(i));
        // Like a real client, a peer answers the server's Hello; a silent peer is dropped
        // after 30 s.
        TestPeer* raw = peer.get();
        QObject::connect(raw, &TestPeer::messageReceived, raw, [raw](MessageType_e type, bool overWebSocket) {
            if (type == MessageType_e::Hello && overWebSocket)
                raw->send(Message_Hello(raw->sender().id));
        });
        peers.push_back(std::move(peer));
    }
    return peers;
}

bool registerPeers(std::vector<std::unique_ptr<TestPeer>>& peers)
{
    for (auto& peer : peers) {
        if (!peer->connectToServer(kServerPort))
            return false;
        peer->send(Message_Hello(peer->sender().id));
    }
    for (auto& peer : peers) {
        if (!peer->waitForMessage(MessageType_e::RegisterDevice, 10000))
            return false;
        peer->send(Message_RegisterDevice(QStringLiteral("Bench peer"), device::ApplicationType_e::Client,
                                          QVersionNumber(1, 5, 1), {}));
    }
    // Registered devices get their block list, then their block's parameters.
    for (auto& peer : peers)
        if (!peer->waitForMessage(MessageType_e::UpdateParameters, 10000))
            return false;
    for (auto& peer : peers)
        peer->clearReceived();
    return true;
}

bool connectPeers(std::vector<std::unique_ptr<TestPeer>>& peers, quint16 port)
{
    for (auto& peer : peers)
        if (!peer->connectToServer(port))
            return false;
    return true;
}

Options parseOptions(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const int value = arguments[i + 1].toInt();
        if (arguments[i] == QLatin1String("--peers"))
            options.peers = std::clamp(value, 1, 200);
        else if (arguments[i] == QLatin1String("--seconds"))
            options.loadSeconds = std::max(value, 1);
        else if (arguments[i] == QLatin1String("--idle-seconds"))
            options.idleSeconds = std::max(value, 1);
        else if (arguments[i] == QLatin1String("--baseline-seconds"))
            options.baselineSeconds = std::max(value, 1);
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--echo-server") {
        QCoreApplication app(argc, argv);
        return runEchoServer(quint16(QByteArray(argv[2]).toUInt()));
    }
    // Block parameters carry colours: the peers read them with the Gui types registered.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (!bench::onlyLoopbackIsUp()) {
        std::fprintf(stderr, "Run me inside scripts/in-private-network.sh: only loopback may be up.\n");
        return 2;
    }
    // The peers' own logging would cost more than what is measured.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false");
    const Options options = parseOptions(arguments);

    QTemporaryDir folder;
    if (!folder.isValid() || !prepareWorkingFolder(folder.path(), options.peers)) {
        std::fprintf(stderr, "Could not prepare the working folder\n");
        return 1;
    }

    // The server under test.
    QProcess server;
    server.setWorkingDirectory(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    server.setProcessEnvironment(environment);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
    if (!server.waitForStarted() || !waitForPort(kServerPort, 20000)) {
        std::fprintf(stderr, "The server did not start\n");
        return 1;
    }
    const qint64 serverPid = server.processId();
    std::vector<std::unique_ptr<TestPeer>> peers = makePeers(options.peers);
    if (!registerPeers(peers)) {
        std::fprintf(stderr, "The peers could not register\n");
        return 1;
    }
    const qint64 startResident = residentKiB(serverPid);
    const double idle = idleCpuPercent(serverPid, options.idleSeconds);
    const Figures load = drive(peers, serverPid, options.loadSeconds);
    peers.clear();
    server.terminate();
    server.waitForFinished(10000);

    // The baseline: a bare WebSocket echo, same peers, same envelopes.
    QProcess echo;
    echo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    echo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--echo-server"), QString::number(kEchoPort)});
    if (!echo.waitForStarted() || !waitForPort(kEchoPort, 10000)) {
        std::fprintf(stderr, "The echo server did not start\n");
        return 1;
    }
    std::vector<std::unique_ptr<TestPeer>> echoPeers = makePeers(options.peers);
    if (!connectPeers(echoPeers, kEchoPort)) {
        std::fprintf(stderr, "The peers could not reach the echo server\n");
        return 1;
    }
    const double echoIdle = idleCpuPercent(echo.processId(), std::min(options.idleSeconds, 5));
    const Figures baseline = drive(echoPeers, echo.processId(), options.baselineSeconds);
    echoPeers.clear();
    echo.terminate();
    echo.waitForFinished(5000);

    std::printf("peers: %d, load: %d s, idle: %d s, baseline: %d s, window: %d per peer\n", options.peers,
                options.loadSeconds, options.idleSeconds, options.baselineSeconds, kWindow);
    std::printf("server: %.0f Data/s echoed, CPU %.1f %%, RSS %.1f MiB at start, %.1f MiB peak, %.1f MiB at end"
                " (peers' process CPU %.1f %%)\n",
                load.messagesPerSecond, load.cpuPercent, startResident / 1024.0, load.peakResidentKiB / 1024.0,
                load.endResidentKiB / 1024.0, load.peersCpuPercent);
    std::printf("server idle with %d connected peers: CPU %.2f %%\n", options.peers, idle);
    std::printf(
        "bare echo: %.0f messages/s, CPU %.1f %%, RSS %.1f MiB peak; idle CPU %.2f %% (peers' process CPU %.1f %%)\n",
        baseline.messagesPerSecond, baseline.cpuPercent, baseline.peakResidentKiB / 1024.0, echoIdle,
        baseline.peersCpuPercent);
    std::printf("ratio server/echo: throughput %.3f, CPU per message %.2f\n",
                load.messagesPerSecond / baseline.messagesPerSecond,
                (load.cpuPercent / load.messagesPerSecond) / (baseline.cpuPercent / baseline.messagesPerSecond));
    return 0;
}
