#include "ModuleTestSupport.h"
#include "TestPeer.h"
#include "TransferTestServer.h"

#include "communication/messages/Message_DashboardExportRequest.h"
#include "communication/messages/Message_DashboardExportResponse.h"
#include "communication/messages/Message_DashboardImportRequest.h"
#include "communication/messages/Message_DashboardImportResponse.h"
#include "core/ApplicationConstants.h"
#include "core/TaskManager.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::as;
using tessivar::test::TestPeer;

namespace {

constexpr quint16 kPort = 21302;
const QString kTabletId = QStringLiteral("7ab1e700000000000000000000000001");
const QString kPhoneId = QStringLiteral("9409e000000000000000000000000002");
const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");

// One entry of a ".dsx" file, as any program reading the format sees it.
struct Entry {
    QStringList profiles;
    QString first, second;
    QVariantMap clientData, clientParameters;
    QRectF geometry;
    qint32 z = 0;
    QString pluginId, moduleId, description;
    QVariantMap localParameters;
};

QByteArray payloadOf(const QList<Entry>& entries, qint32 version = 1)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << version;
    for (const Entry& e : entries)
        stream << e.profiles << e.first << e.second << e.clientData << e.clientParameters << e.geometry << e.z
               << e.pluginId << e.moduleId << e.description << e.localParameters;
    return payload;
}

QByteArray fileOf(const QByteArray& payload)
{
    QByteArray content;
    QDataStream stream(&content, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << qChecksum(payload, Qt::ChecksumIso3309) << payload;
    return content;
}

// A payload whose one entry's client data nests maps `depth` levels deep, as no export
// writes and Qt would read recursively.
QByteArray deeplyNestedEntry(int depth)
{
    QByteArray payload = QByteArray::fromHex("00000001"
                                             "00000000"
                                             "ffffffff"
                                             "ffffffff");
    const QByteArray level = QByteArray::fromHex("00000001"
                                                 "00000002006b"
                                                 "0000000800");
    for (int i = 0; i < depth; ++i)
        payload += level;
    // The innermost map, then the rest of a well-formed entry: read by Qt, it would pass.
    payload += QByteArray::fromHex("00000000"
                                   "00000000");
    payload += QByteArray(32, '\0')
        + QByteArray::fromHex("00000000"
                              "ffffffff"
                              "ffffffff"
                              "ffffffff"
                              "00000000");
    return payload;
}

Entry echoEntry(const QString& profile, const QString& description, const QString& text, qreal x)
{
    Entry e;
    e.profiles = QStringList{profile};
    e.clientParameters = {{QStringLiteral("Text"), text}};
    e.geometry = QRectF(x, 2, 3, 4);
    e.z = int(x);
    e.pluginId = kPlugin;
    e.moduleId = kEcho;
    e.description = description;
    e.localParameters = {{QStringLiteral("Note"), description}};
    return e;
}

} // namespace

// Export of a device's dashboard to a ".dsx" file and import of one onto a device,
// with test peers that answer as devices do.
class TestDashboard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestWorkingFolder> m_folder;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<test::TransferTestServer> m_server;
    std::unique_ptr<TestPeer> m_tablet;
    std::unique_ptr<TestPeer> m_phone;

    QString path(const QString& relative) const { return m_folder->filePath(relative); }

    // A block of the device, confirmed by it under `blockId`.
    void addBlock(const QString& deviceId, BlockId_t blockId, const QString& description, const QString& text)
    {
        std::unique_ptr<TessivarModuleInstance> instance = m_server->plugins.InstantiateModule(kPlugin, kEcho);
        QVERIFY(instance);
        instance->instanceData()->setClientParameter(QStringLiteral("Text"), text);
        instance->instanceData()->setLocalParameter(QStringLiteral("Note"), description);
        ModuleRecord record;
        record.SetPluginId(kPlugin);
        record.SetModuleId(kEcho);
        record.SetModuleDataClass(instance->instanceData()->classId());
        record.SetDeviceId(deviceId);
        record.SetDescription(description);
        auto owned = std::make_unique<ModuleSource>(record, std::move(instance), false);
        ModuleSource* block = owned.get();
        const auto requestId
            = m_server->modules.AddNewModule(std::move(owned), m_server->plugins.FindModuleDataClass(kEcho), false);
        m_server->modules.OnBlockCreated(blockId, requestId);
        QCOMPARE(block->GetBlockId(), blockId);
    }

    BaseTask* waitForFinishedTask(QSignalSpy& finished)
    {
        if (finished.isEmpty() && !finished.wait())
            return nullptr;
        return finished.first().first().value<BaseTask*>();
    }

    // Starts an import of `content` onto the phone; the request the phone received.
    const Message_DashboardImportRequest* importOntoPhone(const QByteArray& content, quint64& sequenceId)
    {
        QFile file(path(QStringLiteral("in.dsx")));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return nullptr;
        file.close();
        m_server->dialogs->answer = file.fileName();
        m_server->dashboards->requestDashboardImport(kPhoneId);
        const TestPeer::Received* received = m_phone->waitForMessage(MessageType_e::DashboardImportRequest);
        if (received)
            sequenceId = received->header.sequenceId;
        return as<Message_DashboardImportRequest>(received);
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<test::TestWorkingFolder>();
        QVERIFY(test::installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test")));
        m_configuration = std::make_unique<Configuration>(m_folder->filePath(QStringLiteral("config")));
        m_server = std::make_unique<test::TransferTestServer>(*m_configuration, kPort);
        m_server->dashboards->setResponseTimeout(std::chrono::milliseconds(300));
        m_tablet = std::make_unique<TestPeer>(kTabletId, QHostAddress(QStringLiteral("127.0.0.2")));
        m_phone = std::make_unique<TestPeer>(kPhoneId, QHostAddress(QStringLiteral("127.0.0.3")));
        QVERIFY(test::connectAndRegister(*m_server, *m_tablet, kPort, QStringLiteral("Tablet")));
        QVERIFY(test::connectAndRegister(*m_server, *m_phone, kPort, QStringLiteral("Phone")));
    }

    void cleanup()
    {
        m_tablet.reset();
        m_phone.reset();
        m_server.reset();
        m_configuration.reset();
        m_folder.reset();
    }

    void exportWritesOneEntryPerBlockAndProfile()
    {
        addBlock(kTabletId, 7, QStringLiteral("Clock"), QStringLiteral("seven"));
        addBlock(kTabletId, 8, QStringLiteral("Lamp"), QStringLiteral("eight"));
        addBlock(kPhoneId, 9, QStringLiteral("Phone's"), QStringLiteral("nine"));
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        m_server->dialogs->answer = path(QStringLiteral("tablet.dsx"));
        m_server->dashboards->requestDashboardExport(kTabletId);
        QCOMPARE(m_server->dialogs->titles, QStringList{QStringLiteral("Save dashboard")});
        QCOMPARE(m_server->dialogs->filters, QStringList{QStringLiteral("Tessivar Export File (*.dsx)")});

        const TestPeer::Received* request = m_tablet->waitForMessage(MessageType_e::DashboardExportRequest);
        QVERIFY(request);
        const QRectF a7(1, 2, 3, 4), a8(5, 6, 7, 8), b7(9, 10, 11, 12);
        Message_DashboardExportResponse::Profiles_t profiles;
        profiles.insert(QStringLiteral("A"), {{7, a7, 1, kEcho}, {8, a8, 2, kEcho}, {99, a8, 3, kEcho}});
        profiles.insert(QStringLiteral("B"), {{7, b7, 4, kEcho}, {9, b7, 5, kEcho}});
        m_tablet->send(Message_DashboardExportResponse(profiles), request->header.sequenceId);

        BaseTask* task = waitForFinishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->description(), QStringLiteral("Dashboard Export In Progress"));
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard Export Successful"));
        // scripts/fuzz.sh seeds its dashboard corpus with real exports like this one.
        if (const QString seeds = qEnvironmentVariable("TESSIVAR_DSX_SEEDS"); !seeds.isEmpty())
            QFile::copy(path(QStringLiteral("tablet.dsx")), seeds + QStringLiteral("/export-three-blocks.dsx"));

        // Read back with nothing but a QDataStream at version 19.
        QFile file(path(QStringLiteral("tablet.dsx")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QDataStream stream(&file);
        stream.setVersion(QDataStream::Qt_5_15);
        quint16 crc = 0;
        QByteArray payload;
        stream >> crc >> payload;
        QCOMPARE(stream.status(), QDataStream::Ok);
        QVERIFY(stream.atEnd());
        QCOMPARE(crc, qChecksum(payload, Qt::ChecksumIso3309));
        QDataStream entries(payload);
        entries.setVersion(QDataStream::Qt_5_15);
        qint32 version = 0;
        entries >> version;
        QCOMPARE(version, 1);
        QList<Entry> read;
        while (!entries.atEnd()) {
            Entry e;
            entries >> e.profiles >> e.first >> e.second >> e.clientData >> e.clientParameters >> e.geometry >> e.z
                >> e.pluginId >> e.moduleId >> e.description >> e.localParameters;
            QCOMPARE(entries.status(), QDataStream::Ok);
            read.append(e);
        }
        QCOMPARE(read.size(), 3);
        const QList<std::tuple<QString, QString, QString, QRectF, int>> expected{
            {"A", "Clock", "seven", a7, 1}, {"A", "Lamp", "eight", a8, 2}, {"B", "Clock", "seven", b7, 4}};
        for (int i = 0; i < 3; ++i) {
            const auto& [profile, description, text, geometry, z] = expected.at(i);
            QCOMPARE(read.at(i).profiles, QStringList{profile});
            QVERIFY(read.at(i).first.isEmpty() && read.at(i).second.isEmpty() && read.at(i).clientData.isEmpty());
            QCOMPARE(read.at(i).clientParameters.value(QStringLiteral("Text")).toString(), text);
            QCOMPARE(read.at(i).geometry, geometry);
            QCOMPARE(read.at(i).z, z);
            QCOMPARE(read.at(i).pluginId, kPlugin);
            QCOMPARE(read.at(i).moduleId, kEcho);
            QCOMPARE(read.at(i).description, description);
            QCOMPARE(read.at(i).localParameters.value(QStringLiteral("Note")).toString(), description);
        }
    }

    void exportFailures_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deviceAnswers");
        QTest::newRow("cancelled in the dialog: nothing asked") << QString() << false;
        QTest::newRow("no answer in time") << QStringLiteral("out.dsx") << false;
        QTest::newRow("file not writable") << QStringLiteral("no/such/folder/out.dsx") << true;
    }

    void exportFailures()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deviceAnswers);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        m_server->dialogs->answer = answer.isEmpty() ? QString() : path(answer);
        m_server->dashboards->requestDashboardExport(kTabletId);
        const TestPeer::Received* request = m_tablet->waitForMessage(MessageType_e::DashboardExportRequest, 500);
        if (answer.isEmpty()) {
            QVERIFY(!request);
            QVERIFY(!m_server->dashboards->exporter());
            return;
        }
        QVERIFY(request);
        if (deviceAnswers)
            m_tablet->send(Message_DashboardExportResponse({}), request->header.sequenceId);
        BaseTask* task = waitForFinishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard export failed"));
        QVERIFY(!QFile::exists(path(answer)));
    }

    void importCreatesAndConfirmsTheBlocks()
    {
        Entry missingPlugin = echoEntry(QStringLiteral("A"), QStringLiteral("Gone"), QStringLiteral("x"), 7);
        missingPlugin.pluginId = QStringLiteral("not.installed");
        const QList<Entry> entries{echoEntry(QStringLiteral("A"), QStringLiteral("Clock"), QStringLiteral("one"), 1),
                                   missingPlugin,
                                   echoEntry(QStringLiteral("B"), QStringLiteral("Lamp"), QStringLiteral("two"), 2)};
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        quint64 sequenceId = 0;
        const Message_DashboardImportRequest* request = importOntoPhone(fileOf(payloadOf(entries)), sequenceId);
        QVERIFY(request);
        QCOMPARE(m_server->dialogs->titles, QStringList{QStringLiteral("Import dashboard")});
        QCOMPARE(m_server->dialogs->filters, QStringList{QStringLiteral("Tessivar Export File (*.dsx);;All (*)")});

        const DashboardImportData_t& modules = request->GetImportData();
        QCOMPARE(modules.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const Entry& entry = entries.at(i * 2);
            QCOMPARE(modules.at(i).profiles, entry.profiles);
            QCOMPARE(modules.at(i).geometry, entry.geometry);
            QCOMPARE(modules.at(i).z, entry.z);
            QCOMPARE(modules.at(i).dataClassId, kEcho);
            QCOMPARE(modules.at(i).dataWidget, QStringLiteral("EchoData.qml"));
            QCOMPARE(modules.at(i).version, softwareVersion());
            QCOMPARE(modules.at(i).parameters.value(QStringLiteral("Text")), entry.clientParameters.value("Text"));
        }
        QCOMPARE(m_server->modules.GetBlockIdsOfDevice(kPhoneId), (QList<BlockId_t>{0, 0}));

        // An answer from another device, even to the right request, moves nothing.
        m_tablet->send(Message_DashboardImportResponse({{modules.at(0).creationRequestId, 66}}, 1), sequenceId);
        m_phone->send(Message_DashboardImportResponse({{modules.at(0).creationRequestId, 11}}, 0), sequenceId);
        QVERIFY(QTest::qWaitFor([&] { return m_server->modules.GetBlockIdsOfDevice(kPhoneId).contains(11); }));
        m_phone->send(Message_DashboardImportResponse({{modules.at(1).creationRequestId, 12}}, 1), sequenceId);
        BaseTask* task = waitForFinishedTask(finished);
        QVERIFY(task);
        QCOMPARE(task->description(), QStringLiteral("Dashboard Import In Progress"));
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard Import Successful"));
        QCOMPARE(m_server->modules.GetBlockIdsOfDevice(kPhoneId), (QList<BlockId_t>{11, 12}));
        QVERIFY(m_server->modules.GetBlockIdsOfDevice(kTabletId).isEmpty());
        const QList<ModuleRecord> records = m_server->modules.GetModulesOfDevice(kPhoneId);
        QCOMPARE(records.at(1).GetDescription(), QStringLiteral("Lamp"));
        QCOMPARE(records.at(1).GetClientParameters().value(QStringLiteral("Text")).toString(), QStringLiteral("two"));
        QCOMPARE(records.at(1).GetLocalParameters().value(QStringLiteral("Note")).toString(), QStringLiteral("Lamp"));
        QVERIFY(records.at(1).IsStored());
    }

    void importFailuresRemoveUnconfirmedBlocks_data()
    {
        QTest::addColumn<int>("finalStatus"); // -1: no final answer
        QTest::addColumn<QList<BlockId_t>>("kept");
        QTest::newRow("status 2") << 2 << QList<BlockId_t>{11};
        QTest::newRow("no further answer in time") << -1 << QList<BlockId_t>{11};
        QTest::newRow("block id 0 removes, status 1 succeeds") << 1 << QList<BlockId_t>{11};
    }

    void importFailuresRemoveUnconfirmedBlocks()
    {
        QFETCH(int, finalStatus);
        QFETCH(QList<BlockId_t>, kept);
        const QList<Entry> entries{echoEntry(QStringLiteral("A"), QStringLiteral("Clock"), QStringLiteral("one"), 1),
                                   echoEntry(QStringLiteral("A"), QStringLiteral("Lamp"), QStringLiteral("two"), 2),
                                   echoEntry(QStringLiteral("A"), QStringLiteral("Fan"), QStringLiteral("three"), 3)};
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        quint64 sequenceId = 0;
        const Message_DashboardImportRequest* request = importOntoPhone(fileOf(payloadOf(entries)), sequenceId);
        QVERIFY(request);
        const auto ids = request->GetImportData();
        m_phone->send(Message_DashboardImportResponse({{ids.at(0).creationRequestId, 11}}, 0), sequenceId);
        if (finalStatus >= 0)
            m_phone->send(Message_DashboardImportResponse({{ids.at(1).creationRequestId, 0}}, finalStatus), sequenceId);
        BaseTask* task = waitForFinishedTask(finished);
        QVERIFY(task);
        QCOMPARE(m_server->modules.GetBlockIdsOfDevice(kPhoneId), kept);
        if (finalStatus == 1) {
            QCOMPARE(task->completion().title, QStringLiteral("Dashboard Import Successful"));
            return;
        }
        QCOMPARE(task->completion().title, QStringLiteral("Dashboard import failed"));
        QCOMPARE(task->completion().message,
                 QStringLiteral("The selected dashboard could not be fully imported.\nMake sure the necessary plugins "
                                "are installed and the client is updated to the latest version"));
    }

    void importOfBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        const QByteArray good = fileOf(payloadOf({echoEntry("A", "Clock", "one", 1)}));
        QByteArray lastByteChanged = good;
        lastByteChanged.back() = char(lastByteChanged.back() ^ 0x55);
        QTest::newRow("last byte changed") << lastByteChanged << "The file is invalid";
        QTest::newRow("version 2") << fileOf(payloadOf({}, 2)) << "Unsupported format.";
        QTest::newRow("cut short") << good.left(good.size() - 10) << "The file is invalid";
        QByteArray truncatedEntry = payloadOf({echoEntry("A", "Clock", "one", 1)});
        truncatedEntry.chop(3);
        QTest::newRow("entry cut short, CRC right") << fileOf(truncatedEntry) << "The file is invalid";
        QTest::newRow("not there") << QByteArray() << "File %1 cannot be read";
        QTest::newRow("maps nested 5000 deep, CRC right") << fileOf(deeplyNestedEntry(5000)) << "The file is invalid";
        QTest::newRow("profiles announcing 2^32-1 names, CRC right")
            << fileOf(QByteArray::fromHex("00000001ffffffff")) << "The file is invalid";
    }

    void importOfBadFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        QString file = path(QStringLiteral("bad.dsx"));
        if (content.isEmpty()) {
            file = path(QStringLiteral("missing.dsx"));
            error = error.arg(file);
        } else {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        QSignalSpy failed(m_server->dashboards.get(), &DashboardFlow::dashboardImportFailed);
        m_server->dialogs->answer = file;
        m_server->dashboards->requestDashboardImport(kPhoneId);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), error);
        QVERIFY(!m_phone->waitForMessage(MessageType_e::DashboardImportRequest, 100));
        QCOMPARE(m_server->modules.rowCount(), 0);
    }

    void importOfAnEmptyDashboardOrNone()
    {
        QSignalSpy failed(m_server->dashboards.get(), &DashboardFlow::dashboardImportFailed);
        m_server->dialogs->answer.clear();
        m_server->dashboards->requestDashboardImport(kPhoneId);
        quint64 sequenceId = 0;
        const Message_DashboardImportRequest* request = importOntoPhone(fileOf(payloadOf({})), sequenceId);
        QVERIFY(request);
        QVERIFY(request->GetImportData().isEmpty());
        QVERIFY(failed.isEmpty());
        // The cancelled one sent nothing: only this request arrived.
        QVERIFY(!m_phone->waitForMessage(MessageType_e::DashboardImportRequest, 100));
    }
};

QTEST_MAIN(TestDashboard)
#include "tst_dashboard.moc"
