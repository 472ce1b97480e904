#include "support/TestWorkingFolder.h"

#include "core/ApplicationConstants.h"
#include "modules/ModuleRecord.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>

namespace {

constexpr quint16 kPort = 21311;
constexpr quint16 kUnusedPort = 21319;
const QString kDeviceId = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kMiscPlugin = QStringLiteral("com.tessivar.plugin.misc");
const QString kTextModule = QStringLiteral("com.tessivar.plugin.misc.text");
const QString kShortcutModule = QStringLiteral("com.tessivar.plugin.misc.shortcut");
const QString kStatusModule = QStringLiteral("com.tessivar.plugin.misc.devicestatus");
constexpr BlockId_t kTextBlock = 12;
constexpr BlockId_t kShortcutBlock = 13;
constexpr BlockId_t kStatusBlock = 14;

struct DeviceResult {
    int exitCode = -1;
    QString out;
    QString err;
};

[[maybe_unused]] void storeBlock(BlockId_t blockId, const QString& module, const QVariantMap& clientParameters,
                                 const QVariantMap& localParameters = {})
{
    ModuleRecord record;
    record.SetPluginId(kMiscPlugin);
    record.SetModuleId(module);
    record.SetModuleDataClass(module);
    record.SetDeviceId(kDeviceId);
    record.SetClientParameters(clientParameters);
    record.SetLocalParameters(localParameters);
    record.SetBlockId(blockId);
}

} // namespace

// tessivar-device, a client device on the command line, against the real server: both
// run as the programs a user starts, over loopback in the test network.
class TestDeviceCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        {
            QSettings config(m_folder->filePath(QStringLiteral("config")), QSettings::IniFormat);
            config.setValue(QStringLiteral("common/Port"), kPort);
            config.setValue(QStringLiteral("common/LogDebug"), true);
        }
        m_marker = m_folder->filePath(QStringLiteral("shortcut-started"));
        m_state = m_folder->filePath(QStringLiteral("device.ini"));
#ifdef TESSIVAR_MISC_PLUGIN_DIR
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("plugins"))));
        QVERIFY(
            QFile::link(QStringLiteral(TESSIVAR_MISC_PLUGIN_DIR), m_folder->filePath(QStringLiteral("plugins/misc"))));
        storeBlock(kTextBlock, kTextModule,
                   {{QStringLiteral("TessivarModuleTitle"), QStringLiteral("Shopping list")},
                    { QStringLiteral("Text"),
                      QStringLiteral("Milk, bread") }});
        const QString touch = QStandardPaths::findExecutable(QStringLiteral("touch"));
        QVERIFY(!touch.isEmpty());
        storeBlock(kShortcutBlock, kShortcutModule,
                   {{ QStringLiteral("TessivarModuleTitle"),
                      QStringLiteral("Marker") }},
                   {{QStringLiteral("ProgramPathFull"), QUrl::fromLocalFile(touch)},
                    {QStringLiteral("ProgramPath"), touch},
                    { QStringLiteral("ArgumentList"),
                      QStringList {
                          m_marker
                      } }});
        storeBlock(kStatusBlock, kStatusModule, {});
        // The device kept the data classes of the blocks the server once created on it.
        QSettings state(m_state, QSettings::IniFormat);
        state.setValue(QStringLiteral("Blocks-%1/%2").arg(kDeviceId).arg(kTextBlock), kTextModule);
        state.setValue(QStringLiteral("Blocks-%1/%2").arg(kDeviceId).arg(kShortcutBlock), kShortcutModule);
        state.setValue(QStringLiteral("Blocks-%1/%2").arg(kDeviceId).arg(kStatusBlock), kStatusModule);
#endif
        m_server.setWorkingDirectory(m_folder->path());
        // Its log file says all; the console copy would bury the test's own output.
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
        QVERIFY(m_server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(serverLog().contains("---- Application ready ----"), 60000);
    }

    void cleanupTestCase()
    {
        if (m_server.state() == QProcess::Running) {
            ::kill(static_cast<pid_t>(m_server.processId()), SIGTERM);
            QVERIFY(m_server.waitForFinished(15000));
            QCOMPARE(m_server.exitCode(), 0);
        }
    }

    void reportsWhatFails_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString unused = QString::number(kUnusedPort);
        QTest::newRow("nobody listening") << QStringList{"--address", "127.0.0.1:" + unused, "--list"} << 2
                                          << "Cannot reach the Tessivar server at 127.0.0.1:" + unused;
        QTest::newRow("no Hello heard") << QStringList{"--port", unused, "--timeout", "1", "--list"} << 2
                                        << "No Tessivar server announced itself on UDP port " + unused;
        QTest::newRow("block not on this device")
            << QStringList{"--address", "127.0.0.1:" + QString::number(kPort), "--id", kDeviceId, "--send", "99",
                           "Command=1"}
            << 1 << QString("Block 99 is not on this device");
        QTest::newRow("block id not a number")
            << QStringList{"--send", "twelve", "Command=1"} << 1 << QString("Invalid block id: twelve");
        QTest::newRow("send without values")
            << QStringList{"--send", "12"} << 1 << QString("--send needs at least one Key=Value");
        QTest::newRow("value without key") << QStringList{"--send", "12", "=1"} << 1 << QString("Not a Key=Value: =1");
        QTest::newRow("port out of range")
            << QStringList{"--address", "127.0.0.1:70000"} << 1 << QString("Invalid port in address");
    }

    void reportsWhatFails()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const DeviceResult result = runDevice(arguments);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    void registersAndListsStoredBlocks()
    {
        const DeviceResult result = runDevice({"--address", "127.0.0.1:" + QString::number(kPort), "--id", kDeviceId,
                                               "--name", "Command line", "--list"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.out.contains("Registered with \""), qPrintable(result.out));
        QVERIFY(result.out.contains("This device: \"Command line\" [" + kDeviceId + "]"));
        QTRY_VERIFY(serverLog().contains("Device registered:"));
#ifdef TESSIVAR_MISC_PLUGIN_DIR
        const QRegularExpression listed(QStringLiteral("Blocks on this device: (.*)\n"));
        QStringList ids = listed.match(result.out).captured(1).split(QStringLiteral(", "));
        ids.sort();
        QCOMPARE(ids, (QStringList{"12", "13", "14"}));
        const QString text = blockSection(result.out, kTextBlock);
        QVERIFY2(text.contains("Data class: " + kTextModule), qPrintable(result.out));
        QVERIFY2(text.contains("Title: \"Shopping list\""), qPrintable(text));
        QVERIFY2(text.contains("Text = \"Milk, bread\""), qPrintable(text));
        QVERIFY(blockSection(result.out, kShortcutBlock).contains("Title: \"Marker\""));
#else
        QVERIFY(result.out.contains("Blocks on this device: none"));
#endif
    }

    void keepsItsIdentityBetweenRuns()
    {
        QTemporaryDir home;
        const QString state = home.filePath(QStringLiteral("device.ini"));
        // The identifier is made and kept before any server is reached.
        const QStringList arguments{"--address", "127.0.0.1:" + QString::number(kUnusedPort), "--state", state};
        const DeviceResult first = runDevice(arguments, false);
        const DeviceResult second = runDevice(arguments, false);
        QCOMPARE(first.exitCode, 2);
        const QRegularExpression id(QStringLiteral("\\[([0-9a-f]{32})\\]"));
        const QString firstId = id.match(first.out).captured(1);
        QVERIFY2(!firstId.isEmpty(), qPrintable(first.out));
        QCOMPARE(id.match(second.out).captured(1), firstId);
    }

    void pressStartsTheShortcutsProgram()
    {
#ifndef TESSIVAR_MISC_PLUGIN_DIR
        QSKIP("the shortcut block is the misc plugin's");
#else
        QFile::remove(m_marker);
        const DeviceResult result = runDevice({"--address", "127.0.0.1:" + QString::number(kPort), "--id", kDeviceId,
                                               "--send", QString::number(kShortcutBlock), "Command=1"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.contains("Sent to block 13: Command = 1"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_marker), 10000);
        QVERIFY(serverLog().contains("Running shortcut"));
#endif
    }

    void watchPrintsDataAsItArrives()
    {
#ifndef TESSIVAR_MISC_PLUGIN_DIR
        QSKIP("the device status block is the misc plugin's");
#else
        // The device status block changes its data every second.
        const DeviceResult result
            = runDevice({"--address", "127.0.0.1:" + QString::number(kPort), "--id", kDeviceId, "--duration", "3.5"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.out.count("Data of block 14: Notify = ") >= 2, qPrintable(result.out));
#endif
    }

    // Without an address it waits for the server's Hello (the broadcast, or the one the
    // server sends to the devices it knows) and connects to its sender.
    void findsTheServerByItsHello()
    {
        const DeviceResult result
            = runDevice({"--port", QString::number(kPort), "--timeout", "20", "--list", "--id", kDeviceId});
        QVERIFY2(result.exitCode == 0, qPrintable(result.out + result.err));
        QVERIFY2(result.out.contains("Found server \"")
                     && result.out.contains(" at 127.0.0.1:" + QString::number(kPort)),
                 qPrintable(result.out));
        QVERIFY(result.out.contains("Registered with \""));
    }

    void fetchesTheServersLogs()
    {
#ifndef TESSIVAR_SERVER_SENDS_LOGS
        QSKIP("the server answers log requests once it has file transfer");
#else
        QTemporaryDir target;
        const QString folder = target.filePath(QStringLiteral("logs"));
        const DeviceResult result = runDevice({"--address", "127.0.0.1:" + QString::number(kPort), "--id", kDeviceId,
                                               "--timeout", "5", "--logs", folder});
        if (result.exitCode != 0 && !serverLog().contains("File transfer requested"))
            QSKIP("the server does not answer log requests yet");
        QVERIFY2(result.exitCode == 0, qPrintable(result.out + result.err));
        QFile log(
            folder
            + QStringLiteral("/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
        QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(result.out + result.err));
        QVERIFY(log.readAll().contains("---- Application ready ----"));
#endif
    }

private:
    QByteArray serverLog() const
    {
        QFile file(m_folder->filePath(
            QStringLiteral("log/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The lines of one block in a --list output.
    static QString blockSection(const QString& out, BlockId_t blockId)
    {
        const qsizetype start = out.indexOf(QStringLiteral("Block %1\n").arg(blockId));
        if (start < 0)
            return QString();
        const qsizetype end = out.indexOf(QStringLiteral("\nBlock "), start + 1);
        return out.mid(start, end < 0 ? -1 : end - start);
    }

    DeviceResult runDevice(QStringList arguments, bool withState = true)
    {
        if (withState)
            arguments << QStringLiteral("--state") << m_state;
        QProcess device;
        device.start(QStringLiteral(TESSIVAR_DEVICE), arguments);
        DeviceResult result;
        if (!device.waitForStarted() || !device.waitForFinished(60000))
            return result;
        result.exitCode = device.exitStatus() == QProcess::NormalExit ? device.exitCode() : -1;
        result.out = QString::fromUtf8(device.readAllStandardOutput());
        result.err = QString::fromUtf8(device.readAllStandardError());
        return result;
    }

    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;
    QString m_marker;
    QString m_state;
    QProcess m_server;
};

QTEST_GUILESS_MAIN(TestDeviceCli)
#include "tst_devicecli.moc"
