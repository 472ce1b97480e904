#pragma once

#include "communication/CommunicationHandler.h"
#include "core/CommonConfiguration.h"
#include "device/DeviceManager.h"
#include "support/TestWorkingFolder.h"

#include <QByteArray>
#include <QJsonArray>
#include <QStringList>
#include <QtMessageHandler>

#include <memory>

namespace tessivar::test {

// A free port on loopback, for the WebSocket server and datagrams of one test.
quint16 freePort();

// The server side of a test: a temporary working folder with its "config", the real
// device manager and the real communication handler of a server on a free port.
struct ServerUnderTest {
    ServerUnderTest();
    ~ServerUnderTest();

    // The handler is built separately, so that a test can prepare the settings first.
    void createHandler();
    // Creates the handler with a socket that takes datagrams on the port, and starts that
    // socket; connections come over loopback links.
    void startWithDatagrams();
    // The "DeviceConnections" value as it lies in the file, read with a fresh QSettings.
    QJsonArray storedConnections() const;

    std::unique_ptr<TestWorkingFolder> folder;
    std::unique_ptr<CommonConfiguration> configuration;
    std::unique_ptr<device::DeviceManager> devices;
    std::unique_ptr<communication::CommunicationHandler> handler;
    quint16 port = 0;
};

// Collects the log lines of the current test (all levels), forwarding nothing.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    int count(const QString& fragment) const;
    const QStringList& lines() const;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);
    QtMessageHandler m_previous;
};

} // namespace tessivar::test
