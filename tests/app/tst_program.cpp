#include "support/TestWorkingFolder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

namespace {
constexpr quint16 kPort = 20973;

QString logPath(const tessivar::test::TestWorkingFolder& folder)
{
    return folder.filePath(
        QStringLiteral("log/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
}

QByteArray readLog(const tessivar::test::TestWorkingFolder& folder)
{
    QFile file(logPath(folder));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each start appends to the day's log: a start is ready once the log holds one more
// ready line than it held before the start.
int readyLines(const tessivar::test::TestWorkingFolder& folder)
{
    return int(readLog(folder).count("---- Application ready ----"));
}

bool waitUntilReady(const tessivar::test::TestWorkingFolder& folder, int readyLinesBefore)
{
    return QTest::qWaitFor([&] { return readyLines(folder) > readyLinesBefore; }, 30000);
}

void terminate(QProcess& program)
{
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(15000));
}
} // namespace

// The real program, started in an empty folder as a user would start it.
class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsLogsAndEndsOnTerminate()
    {
        tessivar::test::TestWorkingFolder folder;
        {
            QSettings config(folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
            config.setValue(QStringLiteral("common/LogDebug"), true);
            // The default port may be taken by another test of the suite running beside.
            config.setValue(QStringLiteral("common/Port"), kPort);
        }
        QProcess server;
        server.setWorkingDirectory(folder.path());
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
        QVERIFY(server.waitForStarted());

        QVERIFY(waitUntilReady(folder, 0));
        const QByteArray content = readLog(folder);
        QVERIFY(content.contains("===== Starting log "));
        QVERIFY(content.contains("Log file opened"));
        // Once ready it accepts WebSocket connections on its port.
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, kPort);
        QVERIFY(probe.waitForConnected(5000));

        terminate(server);
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);

        QSettings config(folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
        QCOMPARE(config.value(QStringLiteral("common/FirstLaunch")).toBool(), false);
        QCOMPARE(config.value(QStringLiteral("common/DeviceId")).toString().size(), 32);
    }

    // The window's QML is compiled at the first start only: later starts take it from the
    // cache. A file that Qt cannot take from there (one declaring an inline component)
    // would be compiled again on the start's path every time.
    void aLaterStartTakesTheWindowFromTheCompiledCache()
    {
        tessivar::test::TestWorkingFolder folder;
        {
            QSettings config(folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
            config.setValue(QStringLiteral("common/LogDebug"), true); // Qt's debug lines pass
            config.setValue(QStringLiteral("common/Port"), kPort);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qml.diskcache.debug=true"));
        // What one start added to the day's log.
        const auto start = [&] {
            const QByteArray before = readLog(folder);
            const int readyBefore = readyLines(folder);
            QProcess program;
            program.setWorkingDirectory(folder.path());
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
            if (!program.waitForStarted() || !waitUntilReady(folder, readyBefore))
                return QByteArray("did not start");
            terminate(program);
            return readLog(folder).mid(before.size());
        };
        const QByteArray first = start();
        // The first start found nothing cached: the messages are on, the cache is the test's.
        QVERIFY2(first.contains("Error loading \"qrc:/UI/ServerApplicationWindow.qml\" from disk cache"),
                 first.constData());
        const QByteArray later = start();
        QVERIFY2(!later.contains("from disk cache") && !later.contains("Checksum mismatch"), later.constData());
        QVERIFY(later.contains("Component created"));
    }

    // The folder the program runs in holds what devices send; the libraries it loads come
    // from its own folder and the system's only.
    void librariesAreNotTakenFromTheWorkingFolder()
    {
        tessivar::test::TestWorkingFolder folder;
        for (const char* name : {"libQt6Core.so.6", "libstdc++.so.6", "libtessivarPlugin.so"}) {
            QFile planted(folder.filePath(QLatin1String(name)));
            QVERIFY(planted.open(QIODevice::WriteOnly));
            planted.write("not a library");
        }
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(15000));
        QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        QVERIFY(program.readAllStandardOutput().contains("1.5.1"));
    }

    // A folder the server may not write to: it still starts and says why.
    void unwritableFolderStillStarts()
    {
        if (::geteuid() == 0)
            QSKIP("root writes everywhere");
        tessivar::test::TestWorkingFolder folder;
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        QProcess server;
        server.setWorkingDirectory(folder.path());
        server.start(QStringLiteral(TESSIVAR_PROGRAM), {QStringLiteral("--minimized")});
        QVERIFY(server.waitForStarted());
        QTest::qWait(3000);
        QCOMPARE(server.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(server.processId()), SIGTERM);
        QVERIFY(server.waitForFinished(15000));
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(server.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
