#include "TestPeer.h"

#include "app/GreetingFlow.h"
#include "communication/CommunicationHandler.h"
#include "communication/MessageEmissionBuilderFactory.h"
#include "communication/MessageHandler.h"
#include "communication/MessageReception.h"
#include "communication/TessivarMessage.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/Configuration.h"
#include "device/DeviceManager.h"
#include "modules/PluginManager.h"
#include "support/LogCapture.h"
#include "support/TestWorkingFolder.h"

#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::TestPeer;

namespace {

const QString kPhoneId = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kStrangerId = QStringLiteral("fedcba9876543210fedcba9876543210");

// Says it is a Hello, but is not of the Hello class.
class ForgedHello : public TessivarMessage
{
public:
    ForgedHello()
        : TessivarMessage(MessageType_e::Hello)
    {
    }
    QJsonObject ToJson() const override { return {}; }
};

} // namespace

// The greeting flow built alone over the real parts it takes (message handler, emission
// factory, device manager, plugin manager, a communication handler), driven by
// handing the message handler received messages; what it answers reaches a test peer
// over a loopback link, so no port is opened.
class TestGreetingFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
        m_configuration = std::make_unique<Configuration>(m_folder->filePath(QStringLiteral("config")));
        m_configuration->setDeviceName(QStringLiteral("Test server"));
        m_devices = std::make_unique<device::DeviceManager>(*m_configuration);
        // Nothing listens on it: the peer comes over the loopback link.
        m_port = 20948;
        m_handler = std::make_unique<CommunicationHandler>(m_devices.get(), device::ApplicationType_e::Server, m_port,
                                                           *m_configuration);
        m_messages = std::make_unique<MessageHandler>(m_handler.get());
        m_emissions = std::make_unique<MessageEmissionBuilderFactory>(m_devices->GetCurrentDevice().GetId());
        m_plugins = std::make_unique<PluginManager>(*m_configuration);
        m_flow = std::make_unique<GreetingFlow>(*m_messages, *m_emissions, *m_devices, *m_plugins,
                                                std::chrono::milliseconds(5000), std::chrono::milliseconds(1000));
        m_flow->registerHandlers(*m_messages);

        // Its first message attributes the connection, so that answers can reach it.
        m_peer = std::make_unique<TestPeer>(kPhoneId);
        m_peer->useLoopback(m_handler->GetSocketManager());
        QVERIFY(m_peer->connectToServer(m_port));
        m_peer->send(Message_Notification(QStringLiteral("here"), 1));
        QTRY_VERIFY(m_devices->GetDevice(kPhoneId) && m_devices->GetDevice(kPhoneId)->IsConnected());
    }

    void cleanup()
    {
        m_peer.reset();
        m_flow.reset();
        m_plugins.reset();
        m_messages.reset();
        m_emissions.reset();
        m_handler.reset();
        m_devices.reset();
        m_configuration.reset();
        m_folder.reset();
    }

    void answersHello_data()
    {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("forged");
        QTest::addColumn<QString>("helloId");
        QTest::addColumn<bool>("registrationAsked");
        QTest::addColumn<QString>("logLine");

        QTest::newRow("device not registered") << false << false << kPhoneId << true << QString();
        QTest::newRow("device registered") << true << false << kPhoneId << false << QString();
        QTest::newRow("unknown id") << false << false << kStrangerId << false
                                    << QStringLiteral("Received Hello from unknown device id [");
        QTest::newRow("class not of its type")
            << false << true << kPhoneId << false << QStringLiteral("is not of that type's class, refused");
    }

    void answersHello()
    {
        QFETCH(bool, registered);
        QFETCH(bool, forged);
        QFETCH(QString, helloId);
        QFETCH(bool, registrationAsked);
        QFETCH(QString, logLine);

        device::IDevice* phone = m_devices->GetDevice(kPhoneId);
        if (registered)
            phone->Register(QStringLiteral("Phone"), device::ApplicationType_e::Client, QVersionNumber(1, 5, 1));
        std::unique_ptr<IMessage> hello;
        if (forged)
            hello = std::make_unique<ForgedHello>();
        else
            hello = std::make_unique<Message_Hello>(helloId);

        int found = 0;
        {
            LogCapture log;
            Q_EMIT m_handler->MessageReceived(MessageReception(*phone, 1, std::nullopt, std::move(hello), true));
            found = log.count(QtInfoMsg, logLine) + log.count(QtWarningMsg, logLine);
        }
        if (!logLine.isEmpty())
            QCOMPARE(found, 1);
        const auto* request = test::as<Message_RegisterDevice>(
            m_peer->waitForMessage(MessageType_e::RegisterDevice, registrationAsked ? 5000 : 300));
        QCOMPARE(request != nullptr, registrationAsked);
        if (request)
            QCOMPARE(request->GetName(), QStringLiteral("Test server"));
    }

private:
    std::unique_ptr<test::TestWorkingFolder> m_folder;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<device::DeviceManager> m_devices;
    std::unique_ptr<CommunicationHandler> m_handler;
    std::unique_ptr<MessageHandler> m_messages;
    std::unique_ptr<MessageEmissionBuilderFactory> m_emissions;
    std::unique_ptr<PluginManager> m_plugins;
    std::unique_ptr<GreetingFlow> m_flow;
    std::unique_ptr<TestPeer> m_peer;
    quint16 m_port = 0;
};

QTEST_MAIN(TestGreetingFlow)
#include "tst_greetingflow.moc"
