#include "HandlerTestSupport.h"
#include "ModuleTestSupport.h"
#include "PeerFileTransfer.h"
#include "TestPeer.h"
#include "TransferTestServer.h"

#include "communication/messages/Message_FileTransfer.h"
#include "communication/messages/Message_FileTransferRequest.h"
#include "communication/messages/Message_RegisterDevice.h"
#include "core/ApplicationConstants.h"
#include "core/Checksum.h"
#include "core/TaskManager.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using tessivar::test::PeerFileTransfer;
using tessivar::test::TestPeer;

namespace {

// Away from the other tests' ports: the suite runs them side by side.
constexpr quint16 kPort = 21301;
const QString kTabletId = QStringLiteral("7ab1e700000000000000000000000001");
const QString kPhoneId = QStringLiteral("9409e000000000000000000000000002");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

QByteArray streamed(const QStringList& classIds)
{
    return PeerFileTransfer::requestData(classIds);
}

QByteArray emptyRequestData()
{
    return PeerFileTransfer::requestData(QString());
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// The file transfer of the server with a test peer over loopback: both directions,
// the stop-and-wait exchange, the folders received files land in, and what a hostile
// or vanishing device cannot do.
class TestFileTransfer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestWorkingFolder> m_folder;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<test::TransferTestServer> m_server;

    QString path(const QString& relative) const { return m_folder->filePath(relative); }

    std::unique_ptr<TestPeer> registeredPeer(const QString& id, const QString& name, const char* address)
    {
        auto peer = std::make_unique<TestPeer>(id, QHostAddress(QString::fromLatin1(address)));
        if (!test::connectAndRegister(*m_server, *peer, kPort, name))
            return nullptr;
        return peer;
    }

    // The user asks the device for its logs or settings, as the device list does; only
    // then are its files taken in.
    bool askFor(TestPeer& peer, FileTransferRequestType_e type)
    {
        if (type == FileTransferRequestType_e::LogFiles)
            m_server->transfers->requestLogs(peer.sender().id);
        else
            m_server->transfers->requestSettings(peer.sender().id);
        return peer.waitForMessage(MessageType_e::FileTransferRequest) != nullptr;
    }

    // Every file below the working folder but the settings and the plugins.
    QStringList filesWritten() const
    {
        QStringList files;
        QDirIterator it(m_folder->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative = QDir(m_folder->path()).relativeFilePath(it.next());
            if (!relative.startsWith(QLatin1String("plugins/")) && relative != QLatin1String("config"))
                files.append(relative);
        }
        files.sort();
        return files;
    }

    // The steps of each file the peer received, checked against the file's content.
    static void verifySteps(const QList<PeerFileTransfer::Step>& steps, const QList<QByteArray>& contents)
    {
        qsizetype step = 0;
        for (qsizetype file = 0; file < contents.size(); ++file) {
            const QByteArray& content = contents.at(file);
            QVERIFY(step < steps.size());
            QCOMPARE(steps.at(step).metaData.status, quint16(0));
            QCOMPARE(steps.at(step).metaData.size, quint32(content.size()));
            QCOMPARE(steps.at(step).metaData.crc, checksum(content));
            QCOMPARE(steps.at(step).metaData.index, qint32(file + 1));
            QCOMPARE(steps.at(step).metaData.count, qint32(contents.size()));
            ++step;
            for (qsizetype offset = 0; offset < content.size(); offset += 100000, ++step) {
                QVERIFY(step < steps.size());
                QCOMPARE(steps.at(step).metaData.status, quint16(1));
                QCOMPARE(steps.at(step).data, content.mid(offset, 100000));
                QCOMPARE(steps.at(step).metaData.transferredBytes, quint32(offset + steps.at(step).data.size()));
            }
            QVERIFY(step < steps.size());
            QCOMPARE(steps.at(step).metaData.status, quint16(2));
            ++step;
        }
        QCOMPARE(steps.size(), step);
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<test::TestWorkingFolder>();
        QVERIFY(test::installPlugin(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("test")));
        m_configuration = std::make_unique<Configuration>(m_folder->filePath(QStringLiteral("config")));
        m_configuration->setDeviceName(QStringLiteral("Server"));
        m_server = std::make_unique<test::TransferTestServer>(*m_configuration, kPort);
    }

    void cleanup()
    {
        m_server.reset();
        m_configuration.reset();
        m_folder.reset();
    }

    void sendsLogFilesInChunks_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("100000 bytes in one chunk") << QList<int>{100000};
        QTest::newRow("100001 bytes in two") << QList<int>{100001};
        QTest::newRow("empty file: no data message") << QList<int>{0};
        QTest::newRow("three files, the ends of 1 and 2 acknowledged") << QList<int>{5, 250000, 0};
    }

    void sendsLogFilesInChunks()
    {
        QFETCH(QList<int>, sizes);
        QList<QByteArray> contents;
        for (int i = 0; i < sizes.size(); ++i) {
            contents.append(randomBytes(sizes.at(i)));
            QVERIFY(writeFile(path(QStringLiteral("log/%1.txt").arg(i)), contents.last()));
        }
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);

        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, emptyRequestData()));
        QVERIFY(transfers.waitForFiles(sizes.size()));
        for (int i = 0; i < sizes.size(); ++i)
            QCOMPARE(transfers.files().value(QStringLiteral("%1.txt").arg(i)), contents.at(i));
        verifySteps(transfers.steps(), contents);
        QVERIFY(!m_server->transfers->manager().HasOutgoing());
    }

    void sendsSettingsFile()
    {
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::SettingsFile, emptyRequestData()));
        QVERIFY(transfers.waitForFiles(1));
        QCOMPARE(transfers.files().keys(), QStringList{QStringLiteral("config")});
        QCOMPARE(transfers.files().value(QStringLiteral("config")), readFile(path(QStringLiteral("config"))));
    }

    void sendsDataClassFiles_data()
    {
        QTest::addColumn<QStringList>("classIds");
        QTest::addColumn<QStringList>("expected");
        const QStringList echoFiles{QStringLiteral("EchoData.qml"), QStringLiteral("Icon.txt")};
        QTest::newRow("known class: widget, then client files") << QStringList{kEcho} << echoFiles;
        QTest::newRow("unknown classes send nothing") << QStringList{QStringLiteral("no.such.class")} << QStringList{};
        QTest::newRow("unknown ones skipped") << QStringList{QStringLiteral("no.such.class"), kEcho} << echoFiles;
    }

    void sendsDataClassFiles()
    {
        QFETCH(QStringList, classIds);
        QFETCH(QStringList, expected);
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed(classIds)));
        // Requests are handled in order: once this one is through, the first sent all it would.
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::SettingsFile, emptyRequestData()));
        QVERIFY(transfers.waitForFiles(expected.size() + 1));

        QStringList names;
        for (const PeerFileTransfer::Step& step : transfers.steps()) {
            if (step.metaData.status != 0 || step.metaData.requestType != FileTransferRequestType_e::DataClassFiles)
                continue;
            names.append(step.metaData.name);
            QCOMPARE(step.metaData.transferData, streamed({kEcho}).mid(4)); // one QString, the class id
        }
        QCOMPARE(names, expected);
        if (!expected.isEmpty()) {
            QFile icon(QStringLiteral(":/com.tessivar.test/EchoIcon.txt"));
            QVERIFY(icon.open(QIODevice::ReadOnly));
            QCOMPARE(transfers.files().value(QStringLiteral("Icon.txt")), icon.readAll());
        }
    }

    void requestsWhileRunningNeverRestartATransfer()
    {
        QVERIFY(writeFile(path(QStringLiteral("log/big.txt")), randomBytes(350000)));
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        // Three requests back to back: the later ones arrive while the first runs.
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, emptyRequestData()));
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, emptyRequestData()));
        QVERIFY(QTest::qWaitFor([&] { return transfers.steps().size() == 2 * (1 + 4 + 1) + 2 * 3; }));
        QTest::qWait(50);
        QCOMPARE(transfers.steps().size(), 2 * (1 + 4 + 1) + 2 * 3);
        // Each file announced once, then its chunks in order, then its end.
        for (qsizetype i = 0; i < transfers.steps().size();) {
            QCOMPARE(transfers.steps().at(i).metaData.status, quint16(0));
            const QString name = transfers.steps().at(i).metaData.name;
            quint32 transferred = 0;
            for (++i; transfers.steps().at(i).metaData.status == 1; ++i) {
                QCOMPARE(transfers.steps().at(i).metaData.name, name);
                transferred += quint32(transfers.steps().at(i).data.size());
                QCOMPARE(transfers.steps().at(i).metaData.transferredBytes, transferred);
            }
            QCOMPARE(transfers.steps().at(i).metaData.status, quint16(2));
            QCOMPARE(transferred, transfers.steps().at(i).metaData.size);
            ++i;
        }
    }

    void receivesLogsIntoTheDeviceFolder()
    {
        QVERIFY(writeFile(path(QStringLiteral("log/Tablet/device.txt")), "an older file"));
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        QSignalSpy started(&TaskManager::instance(), &TaskManager::taskStarted);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));

        const QList<QPair<QString, QByteArray>> files{{QStringLiteral("device.txt"), randomBytes(10)},
                                                      {QStringLiteral("crash.txt"), randomBytes(100001)},
                                                      {QStringLiteral("empty.txt"), QByteArray()}};
        transfers.sendFiles(files, FileTransferRequestType_e::LogFiles);
        QVERIFY(finished.wait());
        for (const auto& [name, content] : files)
            QCOMPARE(readFile(path(QStringLiteral("log/Tablet/") + name)), content);
        // The server acknowledges every step but the end of the request's last file.
        const int acknowledged = (1 + 1 + 1) + (1 + 2 + 1) + (1 + 0 + 0);
        QVERIFY(QTest::qWaitFor([&] { return transfers.acknowledgements().size() >= acknowledged; }));
        QTest::qWait(50);
        QCOMPARE(transfers.acknowledgements().size(), acknowledged);

        QCOMPARE(started.size(), 1);
        auto* task = started.first().first().value<BaseTask*>();
        QCOMPARE(task->description(), QStringLiteral("Log Transfer In Progress"));
        QCOMPARE(task->completion().title, QStringLiteral("Log Transfer Complete"));
        task->complete(TaskCompletion::Ok);
        QCOMPARE(m_server->openedFolders, QList<QUrl>{QUrl::fromLocalFile(path(QStringLiteral("log/")))});
    }

    void receivedFileWithAWrongCrcIsNotWritten()
    {
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        const QByteArray content = randomBytes(1000);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::SettingsFile));
        transfers.sendFiles({{QStringLiteral("bad.txt"), content}, {QStringLiteral("good.txt"), content}},
                            FileTransferRequestType_e::SettingsFile, {quint16(checksum(content) ^ 1)});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(path(QStringLiteral("log/Tablet/good.txt"))); }));
        QCOMPARE(filesWritten(), QStringList{QStringLiteral("log/Tablet/good.txt")});
    }

    void disconnectInTheMiddle()
    {
        auto tablet = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        auto phone = registeredPeer(kPhoneId, QStringLiteral("Phone"), "127.0.0.3");
        QVERIFY(tablet && phone);
        PeerFileTransfer tabletTransfers(*tablet);
        PeerFileTransfer phoneTransfers(*phone);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);

        // The tablet starts sending its logs, and asks for files it then never acknowledges.
        FileTransferMetaData_t start;
        start.requestType = FileTransferRequestType_e::LogFiles;
        start.name = QStringLiteral("a.txt");
        start.size = 10;
        start.count = 2;
        start.index = 1;
        QVERIFY(askFor(*tablet, FileTransferRequestType_e::LogFiles));
        tablet->send(Message_FileTransfer(start, {}));
        tabletTransfers.setAcknowledging(false);
        tablet->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(QTest::qWaitFor([&] { return tabletTransfers.steps().size() == 1; }));
        QVERIFY(m_server->transfers->monitor().isInProgress());
        phone->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QTest::qWait(50);
        QVERIFY(phoneTransfers.steps().isEmpty());

        tablet->abortConnection();
        QVERIFY(phoneTransfers.waitForFiles(2));
        QVERIFY(!finished.isEmpty() || finished.wait());
        auto* task = finished.first().first().value<BaseTask*>();
        QCOMPARE(task->completion().title, QStringLiteral("Log Transfer Interrupted"));
        QVERIFY(!m_server->transfers->monitor().isInProgress());
        QVERIFY(!m_server->transfers->manager().HasIncoming());
        QCOMPARE(filesWritten(), QStringList{});
    }

    // Two devices asked at once: each request ends on its own device's files, and the
    // task ends with the last of them, the other's outcome listed.
    void eachRequestIsFollowedOnItsOwn()
    {
        m_server->transfers->monitor().setSilenceTimeout(300);
        auto tablet = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        auto phone = registeredPeer(kPhoneId, QStringLiteral("Phone"), "127.0.0.3");
        QVERIFY(tablet && phone);
        PeerFileTransfer tabletTransfers(*tablet);
        PeerFileTransfer phoneTransfers(*phone);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        QVERIFY(askFor(*tablet, FileTransferRequestType_e::LogFiles));
        QVERIFY(askFor(*phone, FileTransferRequestType_e::SettingsFile));

        phoneTransfers.sendFiles({{QStringLiteral("settings.ini"), randomBytes(40)}},
                                 FileTransferRequestType_e::SettingsFile);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(path(QStringLiteral("log/Phone/settings.ini"))); }));
        QTest::qWait(50);
        QVERIFY(finished.isEmpty());
        QVERIFY(m_server->transfers->monitor().isInProgress());

        tabletTransfers.sendFiles({{QStringLiteral("device.txt"), randomBytes(40)}},
                                  FileTransferRequestType_e::LogFiles);
        QVERIFY(finished.wait());
        auto* task = finished.first().first().value<BaseTask*>();
        QCOMPARE(task->completion().title, QStringLiteral("Log Transfer Complete"));
        QCOMPARE(task->completion().message, QStringLiteral("Settings Transfer Complete"));

        // Asked again: the phone goes away while awaited, the tablet never answers.
        finished.clear();
        QVERIFY(askFor(*tablet, FileTransferRequestType_e::LogFiles));
        QVERIFY(askFor(*phone, FileTransferRequestType_e::SettingsFile));
        phone->abortConnection();
        QVERIFY(finished.wait());
        QCOMPARE(finished.size(), 1);
        task = finished.first().first().value<BaseTask*>();
        QCOMPARE(task->completion().title, QStringLiteral("The device did not send its logs"));
        QCOMPARE(task->completion().message, QStringLiteral("Settings Transfer Interrupted"));
        QVERIFY(!m_server->transfers->monitor().isInProgress());
    }

    void silentDeviceDoesNotHoldUpOthers()
    {
        m_server->transfers->manager().setStallTimeout(std::chrono::milliseconds(200));
        auto tablet = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        auto phone = registeredPeer(kPhoneId, QStringLiteral("Phone"), "127.0.0.3");
        QVERIFY(tablet && phone);
        PeerFileTransfer tabletTransfers(*tablet);
        PeerFileTransfer phoneTransfers(*phone);
        tabletTransfers.setAcknowledging(false);
        tablet->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(QTest::qWaitFor([&] { return tabletTransfers.steps().size() == 1; }));
        phone->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(phoneTransfers.waitForFiles(2));
        QVERIFY(tablet->isConnected());
        QCOMPARE(tabletTransfers.steps().size(), 1);
    }

    void logsAndSettingsOnlyForRegisteredDevices_data()
    {
        QTest::addColumn<FileTransferRequestType_e>("type");
        QTest::newRow("logs") << FileTransferRequestType_e::LogFiles;
        QTest::newRow("settings") << FileTransferRequestType_e::SettingsFile;
    }

    void logsAndSettingsOnlyForRegisteredDevices()
    {
        QFETCH(FileTransferRequestType_e, type);
        QVERIFY(writeFile(path(QStringLiteral("log/server.txt")), "the server's log"));
        TestPeer stranger(kTabletId, QHostAddress(QStringLiteral("127.0.0.2")));
        stranger.useLoopback(m_server->socketManager());
        PeerFileTransfer transfers(stranger);
        QVERIFY(stranger.connectToServer(kPort));
        stranger.send(Message_FileTransferRequest(type, emptyRequestData()));
        // Data class files are no secret: their answer shows the request above was handled.
        stranger.send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(transfers.waitForFiles(2));
        QTest::qWait(50);
        for (const PeerFileTransfer::Step& step : transfers.steps())
            QCOMPARE(step.metaData.requestType, FileTransferRequestType_e::DataClassFiles);

        stranger.send(Message_RegisterDevice(QStringLiteral("Tablet"), device::ApplicationType_e::Client,
                                             QVersionNumber(2, 0, 0), {}));
        stranger.send(Message_FileTransferRequest(type, emptyRequestData()));
        QVERIFY(transfers.waitForFiles(3));
    }

    void hostileNamesStayInTheDeviceFolder_data()
    {
        QTest::addColumn<QString>("deviceName");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        const QString tablet = QStringLiteral("Tablet");
        QTest::newRow("parent folders") << tablet << "../../evil.txt"
                                        << "log/Tablet/evil.txt";
        QTest::newRow("backslashes") << tablet << "..\\..\\evil.txt"
                                     << "log/Tablet/evil.txt";
        QTest::newRow("absolute") << tablet << "/etc/evil.txt"
                                  << "log/Tablet/evil.txt";
        QTest::newRow("drive path") << tablet << "C:\\Windows\\evil.txt"
                                    << "log/Tablet/evil.txt";
        QTest::newRow("drive relative") << tablet << "C:evil.txt"
                                        << "log/Tablet/evil.txt";
        QTest::newRow("stream name") << tablet << "evil.txt:stream"
                                     << "log/Tablet/evil.txt_stream";
        QTest::newRow("control character") << tablet
                                           << "a\x01"
                                              "b.txt"
                                           << "log/Tablet/a_b.txt";
        QTest::newRow("only dots") << tablet << ".."
                                   << "";
        QTest::newRow("empty") << tablet << ""
                               << "";
        QTest::newRow("device name climbing") << "../.."
                                              << "x.txt"
                                              << "log/_/x.txt";
        QTest::newRow("device name with separator") << "a\\b/c"
                                                    << "x.txt"
                                                    << "log/a_b_c/x.txt";
        QTest::newRow("device name reserved") << "CON"
                                              << "x.txt"
                                              << "log/_CON/x.txt";
        QTest::newRow("device name empty: its id") << ""
                                                   << "x.txt"
                                                   << "log/" + kTabletId + "/x.txt";
    }

    void hostileNamesStayInTheDeviceFolder()
    {
        QFETCH(QString, deviceName);
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        auto peer = registeredPeer(kTabletId, deviceName, "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        // Answered in order: once the server sent these, it has handled all of the above.
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(transfers.waitForFiles(2));
        QSignalSpy ended(&m_server->transfers->manager(), &transfer::FileTransferManager::fileTransferEnded);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));
        transfers.sendFiles({{fileName, QByteArray("content")}}, FileTransferRequestType_e::LogFiles);
        QVERIFY(ended.wait());
        QCOMPARE(filesWritten(), expected.isEmpty() ? QStringList{} : QStringList{expected});
    }

    void hostileSizesAndStrayMessages_data()
    {
        QTest::addColumn<QList<FileTransferMetaData_t>>("messages");
        QTest::addColumn<QList<QByteArray>>("data");
        QTest::addColumn<int>("acknowledged");
        FileTransferMetaData_t start;
        start.requestType = FileTransferRequestType_e::LogFiles;
        start.name = QStringLiteral("hostile.txt");
        start.count = 1;
        start.index = 1;
        FileTransferMetaData_t huge = start;
        huge.size = 0xFFFFFFFFu;
        FileTransferMetaData_t small = start;
        small.size = 10;
        FileTransferMetaData_t data = small;
        data.status = 1;
        data.transferredBytes = 20;
        FileTransferMetaData_t end = small;
        end.status = 2;
        const QByteArray twenty(20, 'x');
        QTest::newRow("4 GiB announced: refused") << QList{huge, data} << QList<QByteArray>{{}, twenty} << 0;
        QTest::newRow("more data than announced: dropped")
            << QList{small, data, end} << QList<QByteArray>{{}, twenty, {}} << 1;
        QTest::newRow("data and end without a start") << QList{data, end} << QList<QByteArray>{twenty, {}} << 0;
        FileTransferMetaData_t unknownStatus = small;
        unknownStatus.status = 3;
        QTest::newRow("status 3 ignored") << QList{unknownStatus} << QList<QByteArray>{{}} << 0;
    }

    void hostileSizesAndStrayMessages()
    {
        QFETCH(QList<FileTransferMetaData_t>, messages);
        QFETCH(QList<QByteArray>, data);
        QFETCH(int, acknowledged);
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));
        for (qsizetype i = 0; i < messages.size(); ++i)
            peer->send(Message_FileTransfer(messages.at(i), data.at(i)));
        // A well-formed file afterwards: its arrival shows the above were all handled.
        // Answered in order: once the server sent these, it has handled all of the above.
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(transfers.waitForFiles(2));
        QSignalSpy ended(&m_server->transfers->manager(), &transfer::FileTransferManager::fileTransferEnded);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));
        transfers.sendFiles({{QStringLiteral("ok.txt"), QByteArray("fine")}}, FileTransferRequestType_e::LogFiles);
        QVERIFY(ended.wait());
        QVERIFY(QTest::qWaitFor([&] { return transfers.acknowledgements().size() >= acknowledged + 2; }));
        QTest::qWait(50);
        QCOMPARE(transfers.acknowledgements().size(), acknowledged + 2);
        QCOMPARE(filesWritten(), QStringList{QStringLiteral("log/Tablet/ok.txt")});
    }

    // Files the server did not ask for, or asked another device for, are dropped unwritten
    // and unacknowledged, with one log line for the whole transfer.
    void unrequestedPushesAreDropped_data()
    {
        QTest::addColumn<int>("asked"); // -1: nothing asked, else the type asked for
        QTest::addColumn<bool>("askPhone");
        QTest::addColumn<bool>("requestExpired");
        QTest::newRow("never asked") << -1 << false << false;
        QTest::newRow("settings asked, logs pushed") << 2 << false << false;
        QTest::newRow("the other device asked") << 1 << true << false;
        QTest::newRow("asked, but no file came in time") << 1 << false << true;
    }

    void unrequestedPushesAreDropped()
    {
        QFETCH(int, asked);
        QFETCH(bool, askPhone);
        QFETCH(bool, requestExpired);
        auto tablet = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        auto phone = registeredPeer(kPhoneId, QStringLiteral("Phone"), "127.0.0.3");
        QVERIFY(tablet && phone);
        PeerFileTransfer transfers(*tablet);
        m_server->transfers->manager().setRequestTimeout(std::chrono::milliseconds(requestExpired ? 20 : 10000));
        if (asked >= 0)
            QVERIFY(askFor(askPhone ? *phone : *tablet, FileTransferRequestType_e(asked)));
        if (requestExpired)
            QTest::qWait(40);
        test::LogCapture log;
        FileTransferMetaData_t start;
        start.requestType = FileTransferRequestType_e::LogFiles;
        start.name = QStringLiteral("pushed.txt");
        start.size = 30;
        start.count = 1;
        start.index = 1;
        FileTransferMetaData_t data = start;
        data.status = 1;
        FileTransferMetaData_t end = start;
        end.status = 2;
        tablet->send(Message_FileTransfer(start, {}));
        for (int i = 0; i < 3; ++i)
            tablet->send(Message_FileTransfer(data, QByteArray(10, 'x')));
        tablet->send(Message_FileTransfer(end, {}));
        tablet->send(Message_FileTransferRequest(FileTransferRequestType_e::DataClassFiles, streamed({kEcho})));
        QVERIFY(transfers.waitForFiles(2));
        QVERIFY(transfers.acknowledgements().isEmpty());
        QCOMPARE(filesWritten(), QStringList{});
        QVERIFY(!m_server->transfers->manager().HasIncoming());
        QCOMPARE(log.count(QStringLiteral("refused: no request of the server is open for it")), 1);
        QCOMPARE(log.count(QStringLiteral("without a transfer in progress")), 0);
    }

    // A requested transfer that goes silent is dropped after the stall time-out, the task
    // says so, and the device's next request goes through.
    void stalledIncomingTransferIsDropped()
    {
        m_server->transfers->manager().setIncomingStallTimeout(std::chrono::milliseconds(200));
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));
        FileTransferMetaData_t start;
        start.requestType = FileTransferRequestType_e::LogFiles;
        start.name = QStringLiteral("half.txt");
        start.size = 20;
        start.count = 2;
        start.index = 1;
        FileTransferMetaData_t data = start;
        data.status = 1;
        data.transferredBytes = 10;
        peer->send(Message_FileTransfer(start, {}));
        peer->send(Message_FileTransfer(data, QByteArray(10, 'x')));
        QVERIFY(QTest::qWaitFor([&] { return transfers.acknowledgements().size() == 2; }));
        QVERIFY(m_server->transfers->manager().HasIncoming());
        QVERIFY(finished.wait());
        auto* task = finished.first().first().value<BaseTask*>();
        QCOMPARE(task->completion().title, QStringLiteral("Log Transfer Interrupted"));
        QVERIFY2(task->completion().message.contains(QStringLiteral("stopped sending")),
                 qPrintable(task->completion().message));
        QVERIFY(!m_server->transfers->manager().HasIncoming());
        QVERIFY(!m_server->transfers->monitor().isInProgress());

        QSignalSpy ended(&m_server->transfers->manager(), &transfer::FileTransferManager::fileTransferEnded);
        QVERIFY(askFor(*peer, FileTransferRequestType_e::LogFiles));
        transfers.sendFiles({{QStringLiteral("whole.txt"), QByteArray("fine")}}, FileTransferRequestType_e::LogFiles);
        QVERIFY(ended.wait());
        QCOMPARE(filesWritten(), QStringList{QStringLiteral("log/Tablet/whole.txt")});
    }

    // One device over its own share is refused, and told; the other device's files,
    // within theirs, still arrive although both together pass the share.
    void capsCountPerDevice()
    {
        transfer::FileTransferManager::Limits limits;
        limits.incomingBytesPerDevice = 1000;
        limits.incomingBytes = 4000;
        m_server->transfers->manager().setLimits(limits);
        auto tablet = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        auto phone = registeredPeer(kPhoneId, QStringLiteral("Phone"), "127.0.0.3");
        QVERIFY(tablet && phone);
        PeerFileTransfer tabletTransfers(*tablet);
        PeerFileTransfer phoneTransfers(*phone);
        QSignalSpy finished(&TaskManager::instance(), &TaskManager::taskFinished);
        QSignalSpy dropped(&m_server->transfers->manager(), &transfer::FileTransferManager::incomingTransferDropped);
        QVERIFY(askFor(*tablet, FileTransferRequestType_e::LogFiles));
        tabletTransfers.sendFiles({{QStringLiteral("big.txt"), randomBytes(1500)}},
                                  FileTransferRequestType_e::LogFiles);
        QVERIFY(dropped.wait());
        QVERIFY(!finished.isEmpty() || finished.wait());
        auto* task = finished.first().first().value<BaseTask*>();
        QCOMPARE(task->completion().title, QStringLiteral("Log Transfer Interrupted"));
        QVERIFY2(task->completion().message.contains(QStringLiteral("Too much data")),
                 qPrintable(task->completion().message));

        QSignalSpy ended(&m_server->transfers->manager(), &transfer::FileTransferManager::fileTransferEnded);
        QVERIFY(askFor(*phone, FileTransferRequestType_e::LogFiles));
        phoneTransfers.sendFiles(
            {{QStringLiteral("a.txt"), randomBytes(900)}, {QStringLiteral("b.txt"), randomBytes(50)}},
            FileTransferRequestType_e::LogFiles);
        QVERIFY(ended.wait());
        QCOMPARE(filesWritten(), (QStringList{QStringLiteral("log/Phone/a.txt"), QStringLiteral("log/Phone/b.txt")}));
    }

    // What is already queued for a device counts against its cap: the files past it are
    // not sent, and the count announced is the number that is.
    void queuedBytesCapCountsWhatIsQueued()
    {
        transfer::FileTransferManager::Limits limits;
        limits.queuedBytesPerDevice = 250000;
        m_server->transfers->manager().setLimits(limits);
        QList<QByteArray> contents;
        for (int i = 0; i < 3; ++i) {
            contents.append(randomBytes(100000));
            QVERIFY(writeFile(path(QStringLiteral("log/%1.txt").arg(i)), contents.last()));
        }
        auto peer = registeredPeer(kTabletId, QStringLiteral("Tablet"), "127.0.0.2");
        QVERIFY(peer);
        PeerFileTransfer transfers(*peer);
        peer->send(Message_FileTransferRequest(FileTransferRequestType_e::LogFiles, emptyRequestData()));
        QVERIFY(transfers.waitForFiles(2));
        QTRY_VERIFY(!m_server->transfers->manager().HasOutgoing());
        verifySteps(transfers.steps(), contents.mid(0, 2));
    }
};

QTEST_MAIN(TestFileTransfer)
#include "tst_filetransfer.moc"
