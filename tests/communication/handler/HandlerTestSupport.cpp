#include "HandlerTestSupport.h"

#include "communication/network/NonConnectedSocket.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>

namespace tessivar::test {

namespace {
QStringList* g_lines = nullptr;
}

quint16 freePort()
{
    // Not a port the system hands out: those are also the local ports of outgoing
    // connections, and a test running beside this one could take it before the server
    // listens. Below that range and above the fixed ports of the other tests, one that
    // is free for both the WebSocket server and the datagrams.
    constexpr int kFirst = 22000;
    constexpr int kEnd = 32000;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto port = static_cast<quint16>(QRandomGenerator::global()->bounded(kFirst, kEnd));
        QTcpServer stream;
        QUdpSocket datagrams;
        if (stream.listen(QHostAddress::Any, port) && datagrams.bind(QHostAddress::Any, port))
            return port;
    }
    return 0;
}

ServerUnderTest::ServerUnderTest()
    : folder(std::make_unique<TestWorkingFolder>())
    , port(freePort())
{
    configuration = std::make_unique<CommonConfiguration>(folder->filePath(QStringLiteral("config")));
    configuration->setDeviceId(QStringLiteral("5e55e55e55e55e55e55e55e55e55e55e"));
    configuration->setDeviceName(QStringLiteral("Test server"));
    devices = std::make_unique<device::DeviceManager>(*configuration);
}

ServerUnderTest::~ServerUnderTest()
{
    handler.reset();
    devices.reset();
    configuration.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    folder.reset();
}

void ServerUnderTest::createHandler()
{
    handler = std::make_unique<communication::CommunicationHandler>(devices.get(), device::ApplicationType_e::Server,
                                                                    port, *configuration);
}

void ServerUnderTest::startWithDatagrams()
{
    createHandler();
    handler->AddListenerSocket(
        std::make_unique<communication::network::NonConnectedSocket>(port, QStringLiteral("Listener")));
    // Only the datagrams: connections come over loopback links, without a listening socket.
    handler->GetSocketManager().StartListeners();
}

QJsonArray ServerUnderTest::storedConnections() const
{
    QSettings settings(folder->filePath(QStringLiteral("config")), QSettings::IniFormat);
    const QByteArray json = settings.value(QStringLiteral("common/DeviceConnections")).toByteArray();
    return QJsonDocument::fromJson(json).array();
}

LogCapture::LogCapture()
{
    g_lines = new QStringList;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    delete g_lines;
    g_lines = nullptr;
}

void LogCapture::handle(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (g_lines)
        g_lines->append(message);
}

int LogCapture::count(const QString& fragment) const
{
    int found = 0;
    for (const QString& line : *g_lines)
        found += line.contains(fragment) ? 1 : 0;
    return found;
}

const QStringList& LogCapture::lines() const
{
    return *g_lines;
}

} // namespace tessivar::test
