#include "TestPeer.h"
#include "support/RunningApplication.h"

#include "app/TessivarServerApplication.h"
#include "communication/messages/Message_BlockList.h"
#include "communication/messages/Message_Data.h"
#include "communication/messages/Message_DeleteBlock.h"
#include "communication/messages/Message_Hello.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "modules/ModuleRecord.h"
#include "modules/PluginInformationList.h"
#include "modules/sdk/TessivarModuleInfoList.h"
#include "modules/sdk/TessivarPluginData.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::as;
using tessivar::test::TestPeer;

namespace {

const QString kPeerId = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kMiscPlugin = QStringLiteral("com.tessivar.plugin.misc");
const QString kPrefix = QStringLiteral("com.tessivar.plugin.misc.");
// Away from the default port and from the other end-to-end tests' ports.
constexpr quint16 kPort = 20983;

} // namespace

// The server with the misc plugin installed as the runnable tree holds it, a block of
// the plugin stored for a phone, and the phone (a test peer) over loopback.
class TestMiscEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<TestPeer> m_peer;

    void storeBlock(BlockId_t blockId, const QString& module, const QVariantMap& localParameters)
    {
        ModuleRecord record;
        record.SetPluginId(kMiscPlugin);
        record.SetModuleId(kPrefix + module);
        record.SetModuleDataClass(kPrefix + module);
        record.SetDeviceId(kPeerId);
        record.SetLocalParameters(localParameters);
        record.SetBlockId(blockId);
        QVERIFY(record.IsStored());
    }

    // The server started, the phone registered and holding the stored block.
    void startWithTheBlockLive(BlockId_t blockId)
    {
        QVERIFY(m_server->start());
        // The plugin is listed with its six modules.
        const PluginInformationList* plugins = m_server->application().pluginManager().GetPluginInformationList();
        QCOMPARE(plugins->rowCount(), 1);
        QCOMPARE(plugins->get(0)->id(), kMiscPlugin);
        QCOMPARE(plugins->get(0)->moduleInfoList()->count(), 6);

        m_peer->sender().softwareVersion = QVersionNumber(2, 0, 0);
        QVERIFY(m_peer->connectToServer(kPort));
        m_peer->send(Message_Hello(kPeerId));
        const auto* registration = as<Message_RegisterDevice>(m_peer->waitForMessage(MessageType_e::RegisterDevice));
        QVERIFY(registration);
        // The server offers the plugin's six data classes, in their order.
        QStringList classes;
        for (const ModuleDataClassInfo_t& info : registration->GetDataClassInfoList())
            classes.append(info.classId.mid(kPrefix.size()));
        QCOMPARE(classes, (QStringList{"clock", "text", "shortcut", "macro", "openwebpage", "devicestatus"}));

        m_peer->send(Message_RegisterDevice(QStringLiteral("Phone"), device::ApplicationType_e::Client,
                                            QVersionNumber(2, 0, 0), {}));
        const auto* blocks = as<Message_BlockList>(m_peer->waitForMessage(MessageType_e::ModuleList));
        QVERIFY(blocks);
        QCOMPARE(blocks->GetBlockIds(), QList<BlockId_t>{blockId});
        m_peer->send(Message_BlockList({blockId}));
        QVERIFY(m_peer->waitForMessage(MessageType_e::UpdateParameters));
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<test::RunningApplication>(kPort);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_MISC_PLUGIN), QStringLiteral("misc")));
        m_server->useShortTimers();
        m_peer = std::make_unique<TestPeer>(kPeerId);
    }

    void cleanup()
    {
        m_peer.reset();
        m_server.reset();
    }

    void pressedShortcutStartsItsProgram()
    {
        const QString written = m_server->folder().filePath(QStringLiteral("pressed.txt"));
        const QString program = m_server->folder().filePath(QStringLiteral("press.sh"));
        {
            QFile script(program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.part' && mv '%1.part' '%1'\n")
                             .arg(written)
                             .toUtf8());
        }
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        storeBlock(5, QStringLiteral("shortcut"),
                   {{QStringLiteral("ProgramPathFull"), QUrl::fromLocalFile(program)},
                    {QStringLiteral("ArgumentList"), QStringList{QStringLiteral("from the phone")}}});
        startWithTheBlockLive(5);
        if (QTest::currentTestFailed())
            return;

        m_peer->send(Message_Data(5, {{QStringLiteral("Command"), 1}}));
        QTRY_VERIFY(QFile::exists(written));
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("from the phone"));
    }

    void clockSendsItsZoneOffsetAndIsDeleted()
    {
        storeBlock(6, QStringLiteral("clock"),
                   {{QStringLiteral("TimeZoneRegion"), QStringLiteral("Asia")},
                    {QStringLiteral("TimeZoneArea"), QStringLiteral("Tokyo")}});
        startWithTheBlockLive(6);
        if (QTest::currentTestFailed())
            return;

        bool offsetSeen = false;
        for (int i = 0; i < 10 && !offsetSeen; ++i) {
            const auto* data = as<Message_Data>(m_peer->waitForMessage(MessageType_e::Data, 3000));
            QVERIFY(data);
            QCOMPARE(data->GetBlockId(), BlockId_t(6));
            offsetSeen = data->GetData().value(QStringLiteral("TimeOffset")).toInt() == 32400000;
        }
        QVERIFY(offsetSeen);

        QVERIFY(QDir(QStringLiteral("modules/6")).exists());
        m_peer->send(Message_DeleteBlock(6));
        QTRY_COMPARE(m_server->application().moduleList().rowCount(), 0);
        QVERIFY(!QDir(QStringLiteral("modules/6")).exists());
    }
};

QTEST_MAIN(TestMiscEndToEnd)
#include "tst_miscendtoend.moc"
