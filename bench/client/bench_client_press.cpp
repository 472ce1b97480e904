// A press in tessivar-client to the Data handled in the server: the client's controller
// sends what a widget wrote (as a press does), the real server hands it to the test
// plugin's echo module, whose answer comes back as Data into the client's block model.
// 1000 presses one after the other, median and p99, beside a bare QWebSocket echo of the
// same envelope in the same run, printed as ratios. Run it inside a private network
// namespace (scripts/in-private-network.sh): it refuses to run on a real network.

#include "BenchSupport.h"
#include "ClientController.h"

#include "communication/MessageCodec.h"
#include "communication/messages/Message_Data.h"
#include "core/ApplicationConstants.h"
#include "modules/ModuleRecord.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tessivar;
using tessivar::bench::waitFor;

namespace {

constexpr quint16 kServerPort = 20994;
constexpr int kPresses = 1000;
const QString kClientId = QStringLiteral("0badc0de0badc0de0badc0de0badc0de");
const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");
constexpr quint32 kBlock = 1;

// The server's folder: the test plugin and the echo block of this client.
bool prepareServer(const QString& folder)
{
    const QString plugins = folder + QStringLiteral("/plugins/test");
    if (!QDir().mkpath(plugins)
        || !QFile::copy(QStringLiteral(TESSIVAR_TEST_PLUGIN), plugins + QLatin1Char('/') + pluginFileName()))
        return false;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    {
        ModuleRecord record;
        record.SetPluginId(kPlugin);
        record.SetModuleId(kEcho);
        record.SetModuleDataClass(kEcho);
        record.SetDeviceId(kClientId);
        record.SetBlockId(kBlock);
    }
    QDir::setCurrent(previous);
    QSettings config(folder + QStringLiteral("/config"), QSettings::IniFormat);
    config.setValue(QStringLiteral("common/Port"), kServerPort);
    config.setValue(QStringLiteral("common/FirstLaunch"), false);
    config.setValue(QStringLiteral("common/UpdateServerHost"), QStringLiteral("127.0.0.1:9"));
    config.sync();
    return config.status() == QSettings::NoError;
}

// The client's folder: its identity and the echo block already on its dashboard.
bool prepareClient(const QString& folder)
{
    QDir().mkpath(folder);
    QSettings state(folder + QStringLiteral("/client.ini"), QSettings::IniFormat);
    state.setValue(QStringLiteral("Device/Id"), kClientId);
    state.sync();
    QFile layout(folder + QStringLiteral("/layout.json"));
    const QJsonObject block{{QStringLiteral("Id"), qint64(kBlock)},
                            {QStringLiteral("DataClass"), kEcho},
                            {QStringLiteral("Profile"), QStringLiteral("Dashboard")},
                            {QStringLiteral("Cell"), QJsonArray{0, 0, 1, 1}}};
    return layout.open(QIODevice::WriteOnly)
        && layout.write(QJsonDocument(QJsonObject{{QStringLiteral("Blocks"), QJsonArray{block}}}).toJson()) > 0;
}

using Figures = bench::Percentiles;

// Each press waits for the echo of its own value before the next.
std::optional<Figures> pressThroughTheServer(client::ClientController& controller)
{
    client::BlockModel* blocks = controller.blockModel();
    int echoed = -1;
    QObject::connect(blocks, &QAbstractItemModel::dataChanged, blocks, [blocks, &echoed] {
        if (const client::BlockModel::Block* block = blocks->find(kBlock))
            echoed = block->data.value(QStringLiteral("Value"), -1).toInt();
    });
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int press = 0; press < kPresses; ++press) {
        timer.start();
        // The module answers a change only: every press carries a new value.
        controller.sendData(kBlock, {{QStringLiteral("Value"), press + 1}});
        if (!waitFor([&] { return echoed == press + 1; }, 5000))
            return std::nullopt;
        times.push_back(timer.nsecsElapsed());
    }
    return bench::percentilesOf(times, 1e3);
}

// The same envelope to a bare QWebSocket echo and back.
std::optional<Figures> pressThroughABareEcho()
{
    QWebSocketServer server(QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
    if (!server.listen(QHostAddress::LocalHost))
        return std::nullopt;
    QObject::connect(&server, &QWebSocketServer::newConnection, &server, [&server] {
        QWebSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QWebSocket::textMessageReceived, socket,
                         [socket](const QString& text) { socket->sendTextMessage(text); });
    });
    QWebSocket client;
    int echoes = 0;
    QObject::connect(&client, &QWebSocket::textMessageReceived, &client, [&echoes] { ++echoes; });
    client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.serverPort())));
    if (!waitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 5000))
        return std::nullopt;
    communication::MessageCodec codec;
    const communication::MessageSender_t self{kClientId, QStringLiteral("bench"), softwareVersion(),
                                              device::ApplicationType_e::Client};
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (int press = 0; press < kPresses; ++press) {
        timer.start();
        const auto text = codec.Serialize(communication::Message_Data(kBlock, {{QStringLiteral("Value"), press}}),
                                          quint64(press), {}, self);
        client.sendTextMessage(QString::fromUtf8(*text));
        if (!waitFor([&] { return echoes == press + 1; }, 5000))
            return std::nullopt;
        times.push_back(timer.nsecsElapsed());
    }
    return bench::percentilesOf(times, 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!bench::onlyLoopbackIsUp()) {
        std::fprintf(stderr, "Run me inside scripts/in-private-network.sh: only loopback may be up.\n");
        return 2;
    }
    // Logging would cost more than what is measured.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false");
    QTemporaryDir folder;
    const QString serverFolder = folder.filePath(QStringLiteral("server"));
    const QString clientFolder = folder.filePath(QStringLiteral("client"));
    if (!folder.isValid() || !QDir().mkpath(serverFolder) || !prepareServer(serverFolder)
        || !prepareClient(clientFolder)) {
        std::fprintf(stderr, "Could not prepare the folders\n");
        return 1;
    }
    QProcess server;
    server.setWorkingDirectory(serverFolder);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
    if (!server.waitForStarted())
        return 1;

    client::ClientOptions options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = kServerPort;
    options.reconnectInterval = std::chrono::milliseconds(100);
    client::ClientController controller(options, {clientFolder, folder.filePath(QStringLiteral("cache"))});
    controller.start();
    if (!waitFor([&] { return controller.state() == QLatin1String("connected"); }, 30000)) {
        std::fprintf(stderr, "The client did not register with the server\n");
        return 1;
    }
    // The display file fetch of the first start settles first.
    waitFor([] { return false; }, 1000);
    const auto client = pressThroughTheServer(controller);
    server.terminate();
    server.waitForFinished(10000);
    const auto bare = pressThroughABareEcho();
    if (!client || !bare) {
        std::fprintf(stderr, "A press was not answered within 5 s\n");
        return 1;
    }
    std::printf("%d presses, one at a time, on loopback\n", kPresses);
    std::printf("client -> server -> client: median %.1f us, p99 %.1f us\n", client->median, client->p99);
    std::printf("bare WebSocket echo:       median %.1f us, p99 %.1f us\n", bare->median, bare->p99);
    std::printf("ratio: median %.2f, p99 %.2f\n", client->median / bare->median, client->p99 / bare->p99);
    return 0;
}
