#include "TestPeer.h"
#include "support/RunningApplication.h"

#include "app/TessivarServerApplication.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "device/DeviceManagerModel.h"
#include "device/DeviceModel.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::TestPeer;

namespace {

const QString kApprovedId = QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
const QString kRefusedId = QStringLiteral("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
// Away from the default port and from the other end-to-end tests' ports.
constexpr quint16 kPort = 20989;
constexpr int kSilenceMs = 400;

} // namespace

// Approval of new devices: with "RequireDeviceApproval" on, a device is listed as
// waiting and not served until the user approves it from the device list; the
// decisions outlive a restart.
class TestDeviceApproval : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;

    device::DeviceManagerModel& deviceList() { return *m_server->application().deviceManager().GetModel(); }

    device::DeviceModel* row(const QString& id)
    {
        for (int i = 0; i < deviceList().rowCount(); ++i)
            if (auto* model = qobject_cast<device::DeviceModel*>(deviceList().GetDeviceByIndex(i));
                model && model->GetId() == id)
                return model;
        return nullptr;
    }

    bool greeted(TestPeer& peer, int timeoutMs)
    {
        peer.send(Message_Hello(peer.sender().id));
        return peer.waitForMessage(MessageType_e::RegisterDevice, timeoutMs);
    }

    void registerAndExpectBlocks(TestPeer& peer, bool served)
    {
        peer.send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                         QVersionNumber(2, 0, 0), {}));
        QCOMPARE(peer.waitForMessage(MessageType_e::ModuleList, served ? 5000 : kSilenceMs) != nullptr, served);
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<test::RunningApplication>(kPort);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test")));
        m_server->options().pingInterval = std::chrono::milliseconds(100);
    }

    void cleanup() { m_server.reset(); }

    void offByDefault()
    {
        QVERIFY(m_server->start());
        QCOMPARE(m_server->configuration().RequireDeviceApproval(), false);
        TestPeer peer(kApprovedId, QHostAddress(QStringLiteral("127.0.0.2")));
        QVERIFY(peer.connectToServer(kPort));
        QVERIFY(greeted(peer, 5000));
        QVERIFY(row(kApprovedId));
        QVERIFY(!row(kApprovedId)->IsWaitingForApproval());
    }

    void oneApprovedOneRefusedAcrossARestart()
    {
        m_server->configuration().setRequireDeviceApproval(true);
        QVERIFY(m_server->start());
        {
            TestPeer approved(kApprovedId, QHostAddress(QStringLiteral("127.0.0.2")));
            TestPeer refused(kRefusedId, QHostAddress(QStringLiteral("127.0.0.3")));
            QVERIFY(approved.connectToServer(kPort));
            QVERIFY(refused.connectToServer(kPort));

            // Both listed as waiting, neither answered nor registered.
            QVERIFY(!greeted(approved, kSilenceMs));
            QVERIFY(!greeted(refused, kSilenceMs));
            registerAndExpectBlocks(refused, false);
            QTRY_VERIFY(row(kApprovedId) && row(kRefusedId));
            QVERIFY(row(kApprovedId)->IsWaitingForApproval());
            QVERIFY(row(kRefusedId)->IsWaitingForApproval());
            QVERIFY(!row(kRefusedId)->IsRegistered());
            QVERIFY(row(kRefusedId)->property("waitingForApproval").toBool());

            // The user answers from the device list.
            QSignalSpy changed(row(kApprovedId), &device::DeviceModel::ApprovalChanged);
            QVERIFY(QMetaObject::invokeMethod(&deviceList(), "approveDevice", Q_ARG(QString, kApprovedId)));
            QVERIFY(QMetaObject::invokeMethod(&deviceList(), "refuseDevice", Q_ARG(QString, kRefusedId)));
            QCOMPARE(changed.count(), 1);
            QVERIFY(!row(kApprovedId)->IsWaitingForApproval());
            QVERIFY(!row(kRefusedId)->IsWaitingForApproval());
            QVERIFY(row(kRefusedId)->property("refused").toBool());

            // The approved device is served from then on.
            QVERIFY(greeted(approved, 5000));
            registerAndExpectBlocks(approved, true);
            QTRY_VERIFY(row(kApprovedId)->IsRegistered());
            // The refused one is not, whatever it sends.
            QVERIFY(!greeted(refused, kSilenceMs));
            registerAndExpectBlocks(refused, false);
            refused.send(Message_Data(1, {{QStringLiteral("Value"), 1}}));
            QVERIFY(!row(kRefusedId)->IsRegistered());
        }
        m_server->stop();

        // Kept beside the known devices, which keep their own layout.
        {
            QSettings stored(m_server->folder().filePath(QStringLiteral("config")), QSettings::IniFormat);
            QCOMPARE(stored.value(QStringLiteral("app/RequireDeviceApproval")).toBool(), true);
            QCOMPARE(stored.value(QStringLiteral("app/ApprovedDevices")).toStringList(), QStringList{kApprovedId});
            QCOMPARE(stored.value(QStringLiteral("app/RefusedDevices")).toStringList(), QStringList{kRefusedId});
        }

        // A fresh start: the approved device is served at once, the refused one still not.
        QVERIFY(m_server->start());
        TestPeer approved(kApprovedId, QHostAddress(QStringLiteral("127.0.0.2")));
        TestPeer refused(kRefusedId, QHostAddress(QStringLiteral("127.0.0.3")));
        QVERIFY(approved.connectToServer(kPort));
        QVERIFY(refused.connectToServer(kPort));
        QVERIFY(greeted(approved, 5000));
        registerAndExpectBlocks(approved, true);
        QVERIFY(!greeted(refused, kSilenceMs));
        QTRY_VERIFY(row(kRefusedId));
        QVERIFY(row(kRefusedId)->IsRefused());
        QVERIFY(!row(kApprovedId)->IsWaitingForApproval());

        // Approving the refused device later serves it too.
        QVERIFY(QMetaObject::invokeMethod(&deviceList(), "approveDevice", Q_ARG(QString, kRefusedId)));
        QVERIFY(greeted(refused, 5000));
    }
};

QTEST_MAIN(TestDeviceApproval)
#include "tst_deviceapproval.moc"
