// Throughput and round-trip latency of the server's transport, each beside a bare
// QWebSocketServer measured in the same run, client and server on loopback in one
// process and one thread. Run inside scripts/in-private-network.sh.
//
//   receive path: QWebSocket client -> ConnectedSocket -> SocketManager ->
//                 CommunicationHandler (parse, attribute) -> MessageHandler -> handler
//   baseline:     QWebSocket client -> QWebSocketServer's socket -> a counting slot
//
//   round trip:   MessageHandler::SendMessage with a response callback -> client
//                 answers with a response envelope (copying the request's sequence id
//                 into a prepared answer, or parsing and writing one) -> callback
//   baseline:     client text message -> bare server echoes it -> client
#include "core/CommonConfiguration.h"
#include "communication/CommunicationHandler.h"
#include "communication/MessageCodec.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_Hello.h"
#include "device/DeviceManager.h"
#include "device/LocalNetworkDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tessivar;
using namespace tessivar::communication;

namespace {

constexpr int kThroughputMessages = 20000;
constexpr int kRoundTrips = 2000;
constexpr int kRepetitions = 5;
const QString kClientId = QStringLiteral("0123456789abcdef0123456789abcdef");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs the event loop until done() holds; false after 30 s.
bool spin(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 30000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

MessageSender_t clientSender()
{
    return MessageSender_t{kClientId, QStringLiteral("Bench client"), QVersionNumber(1, 0),
                           device::ApplicationType_e::Client};
}

QByteArray dataMessage(quint64 sequenceId)
{
    const Message_Data message(7, QVariantMap{{QStringLiteral("Value"), 42}});
    return *MessageCodec().Serialize(message, sequenceId, std::nullopt, clientSender());
}

bool openClient(QWebSocket& client, quint16 port)
{
    bool connected = false;
    QObject::connect(&client, &QWebSocket::connected, [&connected] { connected = true; });
    client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)));
    return spin([&connected] { return connected; });
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The server of this system, with a handler for Data messages.
struct Server {
    Server()
        : configuration(folder.filePath(QStringLiteral("config")))
    {
        configuration.setDeviceId(QStringLiteral("5e55e55e55e55e55e55e55e55e55e55e"));
        devices = std::make_unique<device::DeviceManager>(configuration);
        // A registered device, as the tablets of a running system are: the budget for
        // peers that have not registered yet would close a connection this busy.
        devices
            ->AddDevice(std::make_unique<device::LocalNetworkDevice>(kClientId, QHostAddress(QHostAddress::LocalHost)))
            .Register(QStringLiteral("Bench client"), device::ApplicationType_e::Client, QVersionNumber(1, 0));
        handler = std::make_unique<CommunicationHandler>(devices.get(), device::ApplicationType_e::Server, port,
                                                         configuration);
        messages = std::make_unique<MessageHandler>(handler.get());
        messages->RegisterHandler(MessageType_e::Data, [this](const MessageReception&) { ++received; });
        handler->Start();
    }

    QTemporaryDir folder;
    CommonConfiguration configuration;
    quint16 port = freePort();
    std::unique_ptr<device::DeviceManager> devices;
    std::unique_ptr<CommunicationHandler> handler;
    std::unique_ptr<MessageHandler> messages;
    int received = 0;
};

// A bare QWebSocketServer that counts the messages and, when asked, echoes them.
struct BareServer {
    BareServer()
        : server(QStringLiteral("bare"), QWebSocketServer::NonSecureMode)
    {
        server.listen(QHostAddress::Any, port);
        QObject::connect(&server, &QWebSocketServer::newConnection, [this] {
            while (QWebSocket* socket = server.nextPendingConnection()) {
                socket->setParent(&server);
                QObject::connect(socket, &QWebSocket::textMessageReceived, [this, socket](const QString& text) {
                    ++received;
                    if (parse)
                        parsedObjects += QJsonDocument::fromJson(text.toUtf8()).object().size();
                    if (echo)
                        socket->sendTextMessage(text);
                });
            }
        });
    }

    quint16 port = freePort();
    QWebSocketServer server;
    int received = 0;
    bool echo = false;
    // Also parse each message as JSON: the share of the protocol in the receive path.
    bool parse = false;
    qsizetype parsedObjects = 0;
};

// Seconds to deliver count messages sent back to back, until the server side counted them.
double deliverAll(QWebSocket& client, const int& received, const std::vector<QString>& texts)
{
    const int target = received + static_cast<int>(texts.size());
    QElapsedTimer clock;
    clock.start();
    for (const QString& text : texts)
        client.sendTextMessage(text);
    client.flush();
    if (!spin([&received, target] { return received >= target; }))
        return -1;
    return clock.nsecsElapsed() / 1e9;
}

std::vector<QString> throughputTexts()
{
    std::vector<QString> texts;
    texts.reserve(kThroughputMessages);
    for (int i = 0; i < kThroughputMessages; ++i)
        texts.push_back(QString::fromUtf8(dataMessage(quint64(i))));
    return texts;
}

void throughput()
{
    const std::vector<QString> texts = throughputTexts();
    Server server;
    QWebSocket client;
    if (!openClient(client, server.port))
        return void(std::printf("could not connect to the server\n"));
    BareServer bare;
    QWebSocket bareClient;
    if (!openClient(bareClient, bare.port))
        return void(std::printf("could not connect to the bare server\n"));

    BareServer parsing;
    parsing.parse = true;
    QWebSocket parsingClient;
    if (!openClient(parsingClient, parsing.port))
        return void(std::printf("could not connect to the parsing server\n"));

    std::vector<double> ours, baseline, parsed;
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
        ours.push_back(deliverAll(client, server.received, texts));
        baseline.push_back(deliverAll(bareClient, bare.received, texts));
        parsed.push_back(deliverAll(parsingClient, parsing.received, texts));
    }
    const double oursRate = kThroughputMessages / median(ours);
    const double bareRate = kThroughputMessages / median(baseline);
    const double parsingRate = kThroughputMessages / median(parsed);
    std::printf("receive path: %d messages of %lld bytes, median of %d runs\n", kThroughputMessages,
                static_cast<long long>(texts.front().size()), kRepetitions);
    std::printf("  server -> handler:          %10.0f messages/s\n", oursRate);
    std::printf("  bare QWebSocketServer:      %10.0f messages/s\n", bareRate);
    std::printf("  bare server + JSON parse:   %10.0f messages/s\n", parsingRate);
    std::printf("  server / bare:              %10.2f\n", oursRate / bareRate);
    std::printf("  server / (bare + parse):    %10.2f (target >= 0.7)\n", oursRate / parsingRate);
}

// Answers each request as a device would, with a response envelope naming the
// request's sequence id. A parsing peer reads the request with the codec and writes
// a new envelope; a quick peer finds the id in the text as the socket hands it over
// (where it was in the last request, else by searching) and puts it between the two
// halves of a prepared answer, as cheap for its side as the bare echo is: then the
// figure is the server's own path.
struct AnsweringPeer {
    explicit AnsweringPeer(QWebSocket& socket, bool parse)
        : client(socket)
        , parse(parse)
    {
        connection = QObject::connect(&client, &QWebSocket::textMessageReceived,
                                      [this](const QString& text) { answer(text); });
    }
    ~AnsweringPeer() { QObject::disconnect(connection); }

    void answer(const QString& text)
    {
        if (parse) {
            const auto parsed = codec.Parse(text.toUtf8());
            if (!parsed)
                return;
            const Message_Data data(7, QVariantMap{{QStringLiteral("Value"), 1}});
            client.sendTextMessage(
                QString::fromUtf8(*codec.Serialize(data, next++, parsed->first.sequenceId, clientSender())));
            return;
        }
        static const QString key = QStringLiteral(R"("SequenceId":")");
        if (keyAt < 0 || !QStringView(text).sliced(std::min(keyAt, text.size())).startsWith(key))
            keyAt = text.indexOf(key);
        if (keyAt < 0)
            return;
        quint64 sequenceId = 0;
        qsizetype at = keyAt + key.size();
        for (; at < text.size() && text[at].isDigit(); ++at)
            sequenceId = sequenceId * 10 + quint64(text[at].digitValue());
        client.sendTextMessage(before + QString::number(sequenceId) + after);
    }

    QWebSocket& client;
    QMetaObject::Connection connection;
    const bool parse;
    const MessageCodec codec;
    quint64 next = 1000000;
    qsizetype keyAt = -1;
    const QString prepared = [] {
        const Message_Data data(7, QVariantMap{{QStringLiteral("Value"), 1}});
        return QString::fromUtf8(*MessageCodec().Serialize(data, 999999, 0, clientSender()));
    }();
    const QString responseKey = QStringLiteral(R"("SequenceResponseId":")");
    const QString before = prepared.left(prepared.indexOf(responseKey) + responseKey.size());
    const QString after = prepared.mid(before.size() + 1); // past the prepared "0"
};

// Median microseconds from sending a request until its response callback ran.
double requestRoundTrip(Server& server, MessageEmissionBuilderFactory& factory)
{
    std::vector<double> times;
    for (int i = 0; i < kRoundTrips; ++i) {
        bool answered = false;
        QElapsedTimer clock;
        clock.start();
        server.messages->SendMessage(
            factory.CreateDataMessage(7, QVariantMap{{QStringLiteral("Value"), 2}}, kClientId)
                .WithResponseCallback([&answered](const MessageReception&) { answered = true; },
                                      std::chrono::milliseconds(10000))
                .Build());
        if (!spin([&answered] { return answered; }))
            return -1;
        times.push_back(clock.nsecsElapsed() / 1e3);
    }
    return median(times);
}

// Median microseconds from sending a text to the bare echoing server until it came back.
Q_NEVER_INLINE double echoRoundTrip(QWebSocket& client)
{
    int echoes = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&client, &QWebSocket::textMessageReceived, [&echoes](const QString&) { ++echoes; });
    const QString text = QString::fromUtf8(dataMessage(1));
    std::vector<double> times;
    for (int i = 0; i < kRoundTrips; ++i) {
        QElapsedTimer clock;
        clock.start();
        client.sendTextMessage(text);
        if (!spin([&echoes, i] { return echoes == i + 1; }))
            break;
        times.push_back(clock.nsecsElapsed() / 1e3);
    }
    QObject::disconnect(counting);
    return times.size() == size_t(kRoundTrips) ? median(times) : -1;
}

void roundTrip()
{
    Server server;
    QWebSocket client;
    if (!openClient(client, server.port))
        return void(std::printf("could not connect to the server\n"));
    client.sendTextMessage(QString::fromUtf8(dataMessage(0))); // attributes the connection
    if (!spin([&server] { return server.received == 1; }))
        return void(std::printf("the first message did not arrive\n"));
    MessageEmissionBuilderFactory factory(server.configuration.DeviceId());

    double quick = 0;
    double parsing = 0;
    {
        AnsweringPeer peer(client, false);
        quick = requestRoundTrip(server, factory);
    }
    {
        AnsweringPeer peer(client, true);
        parsing = requestRoundTrip(server, factory);
    }

    BareServer bare;
    bare.echo = true;
    QWebSocket bareClient;
    if (!openClient(bareClient, bare.port))
        return void(std::printf("could not connect to the bare server\n"));
    const double bareMedian = echoRoundTrip(bareClient);
    if (bareMedian < 0)
        return void(std::printf("no echo\n"));
    std::printf("round trip: %d requests, median\n", kRoundTrips);
    std::printf("  request -> response callback, quick peer:   %8.1f us\n", quick);
    std::printf("  request -> response callback, parsing peer: %8.1f us\n", parsing);
    std::printf("  bare QWebSocketServer echo:                 %8.1f us\n", bareMedian);
    std::printf("  server, quick peer / bare:                  %8.2f (target <= 1.3)\n", quick / bareMedian);
    std::printf("  server, parsing peer / bare:                %8.2f\n", parsing / bareMedian);
}

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // As the program runs without "LogDebug": the log costs nothing on either side.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    qInstallMessageHandler(discard);
    // "round-trip" alone: for profiling the request path without the throughput runs.
    const bool roundTripOnly = argc > 1 && qstrcmp(argv[1], "round-trip") == 0;
    if (!roundTripOnly)
        throughput();
    roundTrip();
    return 0;
}
