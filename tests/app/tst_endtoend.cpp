#include "TestPeer.h"
#include "support/RunningApplication.h"

#include "app/ErrorHandler.h"
#include "app/TessivarServerApplication.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "communication/messages/Message_UpdateParameters.h"
#include "core/ApplicationConstants.h"
#include "device/DeviceManager.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"
#include "ui/ErrorWidget.h"
#include "ui/ModuleEditionWidget.h"
#include "ui/ModuleSelectionWidget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::as;
using tessivar::test::TestPeer;

namespace {

const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");
const QString kPeerId = QStringLiteral("0123456789abcdef0123456789abcdef");
// Away from the default port, so that other tests of the suite may run beside this one.
constexpr quint16 kPort = 20971;

} // namespace

// The real application object, offscreen in a temporary working folder with the test
// plugin installed, driven over loopback by a test peer that plays a phone.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<TestPeer> m_peer;

    TessivarServerApplication& application() { return m_server->application(); }

    // Hello, then registration: what a phone does when it finds the server.
    void greetAndRegister(TestPeer& peer)
    {
        peer.sender().softwareVersion = QVersionNumber(2, 0, 0);
        QVERIFY(peer.connectToServer(kPort));
        peer.send(Message_Hello(peer.sender().id));
        const auto* registration = as<Message_RegisterDevice>(peer.waitForMessage(MessageType_e::RegisterDevice));
        QVERIFY(registration);
        QCOMPARE(registration->GetApplicationType(), device::ApplicationType_e::Server);
        QCOMPARE(registration->GetSoftwareVersion(), softwareVersion());
        QCOMPARE(registration->GetDataClassInfoList().size(), 1);
        QCOMPARE(registration->GetDataClassInfoList().first().classId, kEcho);

        peer.send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                         QVersionNumber(2, 0, 0), {}));
        QVERIFY(peer.waitForMessage(MessageType_e::ModuleList));
    }

    // The user picks the echo module and places it on the peer's device.
    BlockCreationRequestId_t createBlockThroughTheInterface()
    {
        application().createNewModule();
        ui::ModuleSelectionWidget* selection = application().moduleSelectionWidget();
        if (!selection || !selection->isVisible())
            return -2;
        Q_EMIT selection->moduleSelected(kPlugin, kEcho);
        ui::ModuleEditionWidget* edition = application().moduleEditionWidget();
        if (!edition || !application().moduleBeingCreated() || !edition->isVisible() || !edition->isNewModule())
            return -2;
        edition->acceptNew(kPeerId);
        if (application().moduleBeingCreated() || selection->isVisible() || edition->isVisible())
            return -2;
        const auto* request = as<Message_RegisterBlock>(m_peer->waitForMessage(MessageType_e::RegisterModule));
        if (!request || request->GetDataClassId() != kEcho || request->GetServerVersion() != softwareVersion())
            return -2;
        return request->GetRequestIndex();
    }

    // The server running, the peer registered, and a block of the peer waiting for the
    // peer's answer under `requestId`.
    void startAndRequestABlock(BlockCreationRequestId_t& requestId)
    {
        QVERIFY(m_server->start());
        greetAndRegister(*m_peer);
        if (QTest::currentTestFailed())
            return;
        requestId = createBlockThroughTheInterface();
        QVERIFY(requestId >= 0);
    }

    // A first run of the server that ends with one block stored for the peer.
    void storeOneBlockAndStop(BlockId_t blockId)
    {
        BlockCreationRequestId_t requestId = -1;
        startAndRequestABlock(requestId);
        if (QTest::currentTestFailed())
            return;
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, blockId, requestId));
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        m_peer.reset();
        m_server->stop();
    }

    // Built with the first error shown.
    QObject* errorWidget()
    {
        return application().mainWindow() ? application().mainWindow()->findChild<ui::ErrorWidget*>() : nullptr;
    }
    bool errorShown()
    {
        QObject* error = errorWidget();
        return error && error->property("visible").toBool();
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<test::RunningApplication>(kPort);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test")));
        m_server->useShortTimers();
        m_peer = std::make_unique<TestPeer>(kPeerId);
    }

    void cleanup()
    {
        m_peer.reset();
        m_server.reset();
    }

    void blockTravelsFromCreationToDeletion()
    {
        QVERIFY(m_server->start());
        greetAndRegister(*m_peer);
        if (QTest::currentTestFailed())
            return;

        // Registered and remembered.
        device::IDevice* device = application().deviceManager().GetDevice(kPeerId);
        QVERIFY(device);
        QVERIFY(device->IsRegistered());
        QVERIFY(device->IsConnected());
        {
            device::DeviceManager reader(m_server->configuration());
            device::IDevice* stored = reader.GetDevice(kPeerId);
            QVERIFY(stored);
            QCOMPARE(stored->GetName(), QStringLiteral("Phone"));
        }

        const BlockCreationRequestId_t requestId = createBlockThroughTheInterface();
        QVERIFY(requestId >= 0);
        QCOMPARE(application().moduleList().rowCount(), 1);

        // The device accepts: the block is stored, and goes live with all its parameters
        // and then its data.
        m_peer->clearReceived();
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 7, requestId));
        const auto* parameters = as<Message_UpdateParameters>(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        QVERIFY(parameters);
        QCOMPARE(parameters->GetBlockId(), BlockId_t(7));
        QCOMPARE(parameters->GetParameters().value(QStringLiteral("Text")).toString(), QStringLiteral("hello"));
        QVERIFY(parameters->GetParameters().contains(QStringLiteral("TessivarModuleTitle")));
        const auto* data = as<Message_Data>(m_peer->waitForMessage(MessageType_e::Data));
        QVERIFY(data);
        QCOMPARE(data->GetBlockId(), BlockId_t(7));
        QVERIFY(QDir(QStringLiteral("modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).contains("7"));

        ModuleSource* block = qvariant_cast<ModuleSource*>(application().moduleList().get(0));
        QVERIFY(block);
        QVERIFY(block->IsConnected());

        // A parameter changed on the server reaches the device.
        block->GetInstance()->instanceData()->clientParameters()->setValue(QStringLiteral("Text"), "changed");
        parameters = as<Message_UpdateParameters>(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        QVERIFY(parameters);
        QCOMPARE(parameters->GetParameters().value(QStringLiteral("Text")).toString(), QStringLiteral("changed"));

        // Data from the device reaches the module instance (which echoes it back).
        m_peer->send(Message_Data(7, QVariantMap{{QStringLiteral("Value"), 42}}));
        data = as<Message_Data>(m_peer->waitForMessage(MessageType_e::Data));
        QVERIFY(data);
        QCOMPARE(data->GetData().value(QStringLiteral("Value")).toInt(), 42);

        // Going away deactivates the device's blocks.
        QVERIFY(m_peer->disconnectFromServer());
        QTRY_VERIFY(!block->IsConnected());
        QTRY_VERIFY(!device->IsConnected());

        // Back again: the block list names the block, which goes live again; then the
        // device deletes it.
        m_peer = std::make_unique<TestPeer>(kPeerId);
        greetAndRegister(*m_peer);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY(block->IsConnected());
        m_peer->send(Message_DeleteBlock(7));
        QTRY_COMPARE(application().moduleList().rowCount(), 0);
        QVERIFY(QDir(QStringLiteral("modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    }

    void helloUntilRegistered()
    {
        QVERIFY(m_server->start());
        QVERIFY(m_peer->connectToServer(kPort));
        for (int i = 0; i < 3; ++i) {
            m_peer->send(Message_Hello(kPeerId));
            QVERIFY(m_peer->waitForMessage(MessageType_e::RegisterDevice));
        }
        m_peer->send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                            QVersionNumber(2, 0, 0), {}));
        QVERIFY(m_peer->waitForMessage(MessageType_e::ModuleList));
        m_peer->send(Message_Hello(kPeerId));
        QVERIFY(!m_peer->waitForMessage(MessageType_e::RegisterDevice, 300));
    }

    void blocksOfAMissingPluginAreDroppedAtStart()
    {
        storeOneBlockAndStop(3);
        if (QTest::currentTestFailed())
            return;

        // Restarted without the plugin: the block cannot live, it is removed and reported.
        QVERIFY(QDir(QStringLiteral("plugins/test")).removeRecursively());
        QVERIFY(m_server->start());
        QCOMPARE(application().moduleList().rowCount(), 0);
        QVERIFY(QDir(QStringLiteral("modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        QTRY_VERIFY(errorShown());
        QObject* error = errorWidget();
        QCOMPARE(error->property("errorCode").toInt(), 5);
    }

    void storedBlocksOfAbsentDevicesStayInactive()
    {
        storeOneBlockAndStop(4);
        if (QTest::currentTestFailed())
            return;

        // Restarted: the block is back, and live again once its device registers.
        QVERIFY(m_server->start());
        QCOMPARE(application().moduleList().rowCount(), 1);
        ModuleSource* block = qvariant_cast<ModuleSource*>(application().moduleList().get(0));
        QVERIFY(block);
        QVERIFY(!block->IsConnected());
        m_peer = std::make_unique<TestPeer>(kPeerId);
        greetAndRegister(*m_peer);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY(block->IsConnected());
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
    }

    // The module's name is the block's description, its title while the user gives it
    // none; it is stored with the block and comes back after a restart.
    void aNewBlockIsTitledByItsModuleName()
    {
        storeOneBlockAndStop(5);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_server->start());
        QCOMPARE(application().moduleList().rowCount(), 1);
        ModuleSource* block = qvariant_cast<ModuleSource*>(application().moduleList().get(0));
        QVERIFY(block);
        QCOMPARE(block->GetRecord().GetDescription(), QStringLiteral("Echo"));
        QCOMPARE(block->property("moduleTitle").toString(), QStringLiteral("Echo"));
        QVERIFY(block->setProperty("moduleTitle", QStringLiteral("Kitchen")));
        QCOMPARE(block->property("moduleTitle").toString(), QStringLiteral("Kitchen"));
        QVERIFY(block->setProperty("moduleTitle", QString()));
        QCOMPARE(block->property("moduleTitle").toString(), QStringLiteral("Echo"));
    }

    void creationFlowCancels()
    {
        QVERIFY(m_server->start());
        // The panels are built when first needed.
        QVERIFY(!application().moduleSelectionWidget() && !application().moduleEditionWidget());

        // A second request closes the selection and drops what was being made.
        application().createNewModule();
        ui::ModuleSelectionWidget* selection = application().moduleSelectionWidget();
        QVERIFY(selection && selection->isVisible());
        Q_EMIT selection->moduleSelected(kPlugin, kEcho);
        ui::ModuleEditionWidget* edition = application().moduleEditionWidget();
        QVERIFY(edition && edition->isVisible());
        QVERIFY(application().moduleBeingCreated());
        application().createNewModule();
        QVERIFY(!selection->isVisible());
        QVERIFY(!edition->isVisible());
        QVERIFY(!application().moduleBeingCreated());

        // Cancelling the edition keeps the selection open with nothing selected.
        application().createNewModule();
        selection->setProperty("selectedModule", QVariant::fromValue<QObject*>(selection));
        Q_EMIT selection->moduleSelected(kPlugin, kEcho);
        QPointer<ModuleSource> dropped = application().moduleBeingCreated();
        QVERIFY(dropped);
        edition->cancel();
        QVERIFY(selection->isVisible());
        QVERIFY(!edition->isVisible());
        QVERIFY(selection->property("selectedModule").value<QObject*>() == nullptr);
        QVERIFY(!application().moduleBeingCreated());
        QTRY_VERIFY(!dropped);

        // A module its plugin cannot make opens nothing.
        Q_EMIT selection->moduleSelected(kPlugin, QStringLiteral("com.tessivar.test.broken"));
        QVERIFY(!application().moduleBeingCreated());
        QVERIFY(!edition->isVisible());

        application().cancelNewModuleSelection();
        QVERIFY(!selection->isVisible());
        QCOMPARE(application().moduleList().rowCount(), 0);
    }

    void refusedCreation_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("inDescription");
        QTest::newRow("incompatible version") << 1 << 4 << QStringLiteral("2.0.0");
        QTest::newRow("module not available") << 2 << 5 << QString();
        QTest::newRow("not created") << 3 << -1 << QString();
        QTest::newRow("failed") << 4 << 0 << QString();
        QTest::newRow("invented status") << 99 << 0 << QString();
    }

    void refusedCreation()
    {
        QFETCH(int, status);
        QFETCH(int, errorCode);
        QFETCH(QString, inDescription);
        BlockCreationRequestId_t requestId = -1;
        startAndRequestABlock(requestId);
        if (QTest::currentTestFailed())
            return;
        m_peer->send(Message_RegisterBlockResponse(static_cast<BlockCreationStatus_e>(status), 9, requestId));
        QTRY_COMPARE(application().moduleList().rowCount(), 0);
        QVERIFY(QDir(QStringLiteral("modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        if (errorCode < 0) {
            // Fails silently: nothing shown.
            QVERIFY(!errorShown());
            return;
        }
        QTRY_VERIFY(errorShown());
        QObject* error = errorWidget();
        QCOMPARE(error->property("errorCode").toInt(), errorCode);
        if (!inDescription.isEmpty()) {
            const QString description = error->property("errorDescription").toString();
            QVERIFY2(description.contains(inDescription), qPrintable(description));
            QVERIFY2(description.contains(softwareVersion().toString()), qPrintable(description));
        }
    }

    void takenPortShowsTheNetworkError()
    {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, kPort));
        QVERIFY(m_server->start());
        QTRY_VERIFY(errorShown());
        QObject* error = errorWidget();
        QCOMPARE(error->property("errorCode").toInt(), 1);
        const QString description = error->property("errorDescription").toString();
        QVERIFY2(description.contains(QStringLiteral("Port %1 is already in use").arg(kPort)), qPrintable(description));
    }

    // A classroom: 200 tablets, each from its own address, find the server at once
    // (Hello, then RegisterDevice when asked); every one is registered within 10 s.
    void manyDevicesRegisterTogether()
    {
        QVERIFY(m_server->start());
        constexpr int kTablets = 200;
        std::vector<std::unique_ptr<TestPeer>> tablets;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kTablets; ++i) {
            const QHostAddress address(QStringLiteral("127.0.%1.%2").arg(i / 100).arg(10 + i % 100));
            auto tablet
                = std::make_unique<TestPeer>(QStringLiteral("%1").arg(i + 1, 32, 16, QLatin1Char('0')), address);
            TestPeer* peer = tablet.get();
            peer->sender().softwareVersion = QVersionNumber(2, 0, 0);
            connect(peer, &TestPeer::connected, peer, [peer] { peer->send(Message_Hello(peer->sender().id)); });
            connect(peer, &TestPeer::messageReceived, peer, [peer](MessageType_e type, bool) {
                if (type == MessageType_e::RegisterDevice)
                    peer->send(Message_RegisterDevice(QStringLiteral("Tablet"), device::ApplicationType_e::Client,
                                                      QVersionNumber(2, 0, 0), {}));
            });
            peer->connection().open(QHostAddress::LocalHost, kPort);
            tablets.push_back(std::move(tablet));
        }
        const auto registered = [this] {
            int count = 0;
            application().deviceManager().ForEachDevice([&count](device::IDevice& d) { count += d.IsRegistered(); });
            return count;
        };
        QTRY_COMPARE_WITH_TIMEOUT(registered(), kTablets, 10000);
        qInfo() << kTablets << "devices registered in" << clock.elapsed() << "ms";
    }

    // Another machine claims the registered phone's id while the phone is connected: its
    // block list, block deletion and block answer are dropped, the stored block stays.
    void anotherMachineCannotSpeakForAConnectedPhone()
    {
        BlockCreationRequestId_t requestId = -1;
        startAndRequestABlock(requestId);
        if (QTest::currentTestFailed())
            return;
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 5, requestId));
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        QVERIFY(QFile::exists(QStringLiteral("modules/5/crc")));

        TestPeer intruder(kPeerId, QHostAddress(QStringLiteral("127.0.0.3")));
        QVERIFY(intruder.connectToServer(kPort));
        intruder.send(Message_BlockList({}));
        intruder.send(Message_DeleteBlock(5));
        intruder.send(Message_RegisterBlockResponse(BlockCreationStatus_e::Failed, 5, requestId));
        QTest::qWait(300);
        QCOMPARE(application().moduleList().rowCount(), 1);
        QVERIFY(QFile::exists(QStringLiteral("modules/5/crc")));
        QVERIFY(m_peer->isConnected());
    }

    // A second registered device answers the phone's open creation with the phone's request
    // index: created under the id of the phone's stored block, or refused. Neither touches
    // the phone's blocks; the phone's own answer then counts.
    void anotherDeviceCannotAnswerForThePhone_data()
    {
        QTest::addColumn<int>("forgedStatus");
        QTest::newRow("created under a stored block's id") << int(BlockCreationStatus_e::Created);
        QTest::newRow("refused") << int(BlockCreationStatus_e::Failed);
    }

    void anotherDeviceCannotAnswerForThePhone()
    {
        QFETCH(int, forgedStatus);
        BlockCreationRequestId_t first = -1;
        startAndRequestABlock(first);
        if (QTest::currentTestFailed())
            return;
        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 5, first));
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
        const BlockCreationRequestId_t second = createBlockThroughTheInterface();
        QVERIFY(second >= 0);

        TestPeer tablet(QStringLiteral("7ab1e7000000000000000000000000aa"), QHostAddress(QStringLiteral("127.0.0.4")));
        greetAndRegister(tablet);
        if (QTest::currentTestFailed())
            return;
        tablet.send(Message_RegisterBlockResponse(static_cast<BlockCreationStatus_e>(forgedStatus), 5, second));
        tablet.send(Message_Hello(tablet.sender().id));
        QTest::qWait(200);
        QCOMPARE(application().moduleList().rowCount(), 2);
        QCOMPARE(application().moduleList().GetBlockIdsOfDevice(kPeerId), (QList<BlockId_t>{5, 0}));
        QVERIFY(QFile::exists(QStringLiteral("modules/5/crc")));
        QVERIFY(!errorShown());

        m_peer->send(Message_RegisterBlockResponse(BlockCreationStatus_e::Created, 6, second));
        QTRY_COMPARE(application().moduleList().GetBlockIdsOfDevice(kPeerId), (QList<BlockId_t>{5, 6}));
        QTRY_VERIFY(QFile::exists(QStringLiteral("modules/6/crc")));
    }

    void aHandAddedAddressIsWokenEverySecond()
    {
        // No periodic broadcast during the test: every Hello seen is a wake-up.
        m_server->options().helloInterval = std::chrono::hours(1);
        QVERIFY(m_server->start());
        QVERIFY(m_peer->bindUdp(kPort));
        QTest::qWait(50);
        m_peer->clearReceived();
        application().addDevice(m_peer->address().toString());
        // Nothing answers: the wake-up Hello keeps arriving as a datagram.
        for (int i = 0; i < 3; ++i) {
            const TestPeer::Received* hello = m_peer->waitForMessage(MessageType_e::Hello);
            QVERIFY(hello);
            QVERIFY(!hello->overWebSocket);
        }
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
