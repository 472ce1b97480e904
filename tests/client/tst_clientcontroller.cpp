#include "ClientController.h"
#include "FakeServer.h"

#include "communication/MessageCodec.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_Notification.h"
#include "communication/messages/Message_RegisterBlock.h"
#include "communication/messages/Message_RegisterBlockResponse.h"
#include "communication/messages/Message_RegisterDevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::client::BlockModel;
using tessivar::client::ClientController;

namespace {
const QString kText = test::FakeServer::kTextClass;
}

// The client's controller against a bare WebSocket server that speaks the protocol:
// what it answers on the wire, what it keeps in its layout file, what it shows.
class TestClientController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<test::FakeServer> m_server;
    std::unique_ptr<ClientController> m_controller;

    void send(const IMessage& message) { m_server->send(message); }
    const IMessage* waitFor(MessageType_e type) { return m_server->waitFor(type); }

    void startRegistered()
    {
        m_server = std::make_unique<test::FakeServer>();
        m_controller = m_server->startClient(m_folder.path());
        QVERIFY(m_controller);
        QTRY_COMPARE(m_controller->state(), QStringLiteral("connected"));
    }

private Q_SLOTS:
    void cleanup()
    {
        m_controller.reset();
        m_server.reset();
    }

    void answersRegisterModule_data()
    {
        QTest::addColumn<QString>("dataClass");
        QTest::addColumn<int>("status");
        QTest::newRow("class of the catalogue") << kText << int(BlockCreationStatus_e::Created);
        QTest::newRow("unknown class") << QStringLiteral("com.example.none")
                                       << int(BlockCreationStatus_e::ModuleNotAvailable);
    }

    void answersRegisterModule()
    {
        QFETCH(QString, dataClass);
        QFETCH(int, status);
        QFile::remove(m_folder.filePath(QStringLiteral("data/layout.json")));
        startRegistered();
        send(Message_RegisterBlock(dataClass, QStringLiteral("DataWidget.qml"), QVersionNumber(1, 5, 1),
                                   {{QStringLiteral("TessivarModuleTitle"), QStringLiteral("Kitchen")}}, {}, 7));
        const auto* response
            = static_cast<const Message_RegisterBlockResponse*>(waitFor(MessageType_e::RegisterModuleResponse));
        QVERIFY(response);
        QCOMPARE(int(response->GetStatus()), status);
        QCOMPARE(response->GetRequestIndex(), 7);
        const QString layout = m_controller->layoutFile();
        m_controller.reset();
        // What a fresh start reads: the block in the first cell, with its title.
        BlockModel restarted(layout);
        QVERIFY(restarted.load());
        if (status != int(BlockCreationStatus_e::Created)) {
            QCOMPARE(restarted.rowCount(), 0);
            return;
        }
        QCOMPARE(restarted.ids(), QList<quint32>{response->GetBlockId()});
        QCOMPARE(restarted.blocks().front().cell, QRect(0, 0, 1, 1));
        QCOMPARE(restarted.data(restarted.index(0), BlockModel::TitleRole).toString(), QStringLiteral("Kitchen"));
    }

    void exportsItsLayoutAndSendsItsSettings()
    {
        startRegistered();
        send(Message_RegisterBlock(kText, {}, {}, {}, {}, 1));
        QVERIFY(waitFor(MessageType_e::RegisterModuleResponse));
        const quint32 id = m_controller->blockModel()->ids().first();
        QVERIFY(m_controller->blockModel()->moveBlock(id, 2, 1, 2, 1));
        send(Message_DashboardExportRequest());
        const auto* exported
            = static_cast<const Message_DashboardExportResponse*>(waitFor(MessageType_e::DashboardExportResponse));
        QVERIFY(exported);
        const auto blocks = exported->GetProfiles().value(BlockModel::kDefaultProfile);
        QCOMPARE(blocks.size(), 1);
        QCOMPARE(blocks.first().geometry, QRectF(2, 1, 2, 1));
        QCOMPARE(blocks.first().dataClassId, kText);

        send(Message_FileTransferRequest(FileTransferRequestType_e::SettingsFile, {}));
        const auto* start = static_cast<const Message_FileTransfer*>(waitFor(MessageType_e::FileTransfer));
        QVERIFY(start);
        QCOMPARE(start->GetMetaData().status, quint16(0));
        QCOMPARE(start->GetMetaData().name, QStringLiteral("client.ini"));
    }

    void showsNotificationsForABoundedTime_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("shown");
        QTest::newRow("as asked") << 3000 << 3000;
        QTest::newRow("negative") << -5 << ClientController::kMinimumToastDuration;
        QTest::newRow("a day") << 86400000 << ClientController::kMaximumToastDuration;
        QTest::newRow("a long text") << 3000 << 3000;
    }

    void showsNotificationsForABoundedTime()
    {
        QFETCH(int, asked);
        QFETCH(int, shown);
        startRegistered();
        QSignalSpy toast(m_controller.get(), &ClientController::toast);
        const bool longText = QByteArray(QTest::currentDataTag()) == "a long text";
        const QString text = longText ? QString(100000, QLatin1Char('x')) : QStringLiteral("Tea is ready");
        send(Message_Notification(text, asked));
        QVERIFY(toast.wait(5000));
        QCOMPARE(toast.first().at(0).toString(), text.left(ClientController::kMaximumToastLength));
        QCOMPARE(toast.first().at(1).toInt(), shown);
    }

    void reconnectsWhenTheServerGoes()
    {
        startRegistered();
        m_controller->setReconnectInterval(std::chrono::milliseconds(50));
        m_server->received.clear();
        m_server->peer()->close();
        // A new connection greets the server anew.
        QVERIFY(waitFor(MessageType_e::Hello));
        QCOMPARE(m_controller->state(), QStringLiteral("registering"));
    }
};

QTEST_MAIN(TestClientController)
#include "tst_clientcontroller.moc"
