#include "support/TestWorkingFolder.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
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

    // The window's QML comes compiled with the program: no start compiles it, the first
    // after an install or an upgrade included, and none looks for it in Qt's cache of
    // compiled files (which Qt 6.4 refuses for files that declare inline components).
    void noStartCompilesTheWindow()
    {
        tessivar::test::TestWorkingFolder folder;
        {
            QSettings config(folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
            config.setValue(QStringLiteral("common/LogDebug"), true); // Qt's debug lines pass
            config.setValue(QStringLiteral("common/Port"), kPort);
        }
        const QString cache = folder.filePath(QStringLiteral("cache"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
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
        for (int run = 0; run < 2; ++run) {
            const QByteArray log = start();
            QVERIFY2(log.contains("Component created"), log.constData());
            QVERIFY2(!log.contains("disk cache") && !log.contains("Checksum mismatch"), log.constData());
        }
        QStringList compiled;
        for (QDirIterator it(cache, {QStringLiteral("*.qmlc")}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            compiled << it.next();
        QVERIFY2(compiled.isEmpty(), qPrintable(compiled.join(QLatin1Char(' '))));
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
