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
}

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

        const QString log = folder.filePath(QStringLiteral("log/log_%1_desktop.txt")
                                                .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
        QByteArray content;
        QTRY_VERIFY_WITH_TIMEOUT((content = [&] {
                                     QFile file(log);
                                     return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                                 }())
                                     .contains("---- Application ready ----"),
                                 30000);
        QVERIFY(content.contains("===== Starting log "));
        QVERIFY(content.contains("Log file opened"));
        // Once ready it accepts WebSocket connections on its port.
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, kPort);
        QVERIFY(probe.waitForConnected(5000));

        ::kill(static_cast<pid_t>(server.processId()), SIGTERM);
        QVERIFY(server.waitForFinished(15000));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);

        QSettings config(folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
        QCOMPARE(config.value(QStringLiteral("common/FirstLaunch")).toBool(), false);
        QCOMPARE(config.value(QStringLiteral("common/DeviceId")).toString().size(), 32);
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
