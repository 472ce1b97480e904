#include "ModuleTestSupport.h"
#include "PeerFileTransfer.h"
#include "TestPeer.h"

#include "app/FileTransferFlow.h"
#include "app/TessivarServerApplication.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/ApplicationConstants.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::PeerFileTransfer;
using tessivar::test::TestPeer;

namespace {

constexpr quint16 kPort = 21303;
const QString kPeerId = QStringLiteral("0123456789abcdef0123456789abcdef");

QByteArray streamed(const QVariant& value)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    if (value.typeId() == QMetaType::QStringList)
        stream << value.toStringList();
    else
        stream << value.toString();
    return data;
}

} // namespace

// The real application object offscreen: its transfers reach devices, and what the
// user asks of a device goes out, through the flows it builds.
class TestTransferApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfersThroughTheApplication()
    {
        test::TestWorkingFolder folder;
        QVERIFY(test::installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test")));
        Configuration configuration(folder.filePath(QStringLiteral("config")));
        configuration.setPort(kPort);
        TessivarServerApplication::Options options;
        options.minimized = true;
        options.splashHideDelayMs = 0;
        TessivarServerApplication application(options, configuration);
        QVERIFY(application.isValid());
        QSignalSpy ready(&application, &TessivarServerApplication::applicationReady);
        QVERIFY(ready.wait(20000));

        TestPeer peer(kPeerId);
        peer.sender().name = QStringLiteral("Phone");
        PeerFileTransfer transfers(peer);
        QVERIFY(peer.connectToServer(kPort));
        peer.send(Message_Hello(kPeerId));
        QVERIFY(peer.waitForMessage(MessageType_e::RegisterDevice));
        peer.send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                         QVersionNumber(2, 0, 0), {}));
        QVERIFY(peer.waitForMessage(MessageType_e::ModuleList));

        // A block's display files, asked for by the device.
        peer.send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles,
                                              streamed(QStringList{QStringLiteral("com.tessivar.test.echo")})));
        QVERIFY(transfers.waitForFiles(2));
        QVERIFY(transfers.files().contains(QStringLiteral("EchoData.qml")));

        // The user asks for the device's logs and settings; QML reaches the exchanges too.
        QVERIFY(QMetaObject::invokeMethod(&application, "requestDeviceLogs", Q_ARG(NetworkDeviceId_t, kPeerId)));
        QVERIFY(QMetaObject::invokeMethod(&application, "requestDeviceSettings", Q_ARG(NetworkDeviceId_t, kPeerId)));
        for (const auto type : {FileTransferRequestType_e::LogFiles, FileTransferRequestType_e::SettingsFile}) {
            const auto* request = dynamic_cast<const Message_FileTransferRequest*>(
                peer.waitForMessage(MessageType_e::FileTransferRequest)->message.get());
            QVERIFY(request);
            QCOMPARE(request->GetRequestType(), type);
            QCOMPARE(request->GetRequestData(), streamed(QString()));
        }
        const QMetaObject* meta = application.metaObject();
        QVERIFY(meta->indexOfMethod("requestDashboardExport(NetworkDeviceId_t)") >= 0);
        QVERIFY(meta->indexOfMethod("requestDashboardImport(NetworkDeviceId_t)") >= 0);

        transfers.sendFiles({{QStringLiteral("client.txt"), QByteArray("the phone's log")}},
                            FileTransferRequestType_e::LogFiles);
        QVERIFY(
            QTest::qWaitFor([&] { return QFile::exists(folder.filePath(QStringLiteral("log/Phone/client.txt"))); }));

        // A reception cut off by the device going away leaves nothing behind (the settings
        // asked for above are still awaited).
        FileTransferMetaData_t start;
        start.requestType = FileTransferRequestType_e::SettingsFile;
        start.name = QStringLiteral("half.txt");
        start.size = 100;
        start.count = 1;
        start.index = 1;
        peer.send(Message_FileTransfer(start, {}));
        QVERIFY(QTest::qWaitFor([&] { return application.fileTransferFlow().manager().HasIncoming(); }));
        peer.abortConnection();
        QVERIFY(QTest::qWaitFor([&] { return !application.fileTransferFlow().manager().HasIncoming(); }));
    }
};

QTEST_MAIN(TestTransferApplication)
#include "tst_transferapplication.moc"
