#include "app/SingleInstance.h"
#include "support/TestWorkingFolder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <csignal>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Away from the default port and from the other tests' ports.
constexpr quint16 kFirstPort = 20974;
constexpr quint16 kSecondPort = 20975;

QString logOf(const tessivar::test::TestWorkingFolder& folder)
{
    QFile file(folder.filePath(
        QStringLiteral("log/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The real program in a folder of its own, its "config" carrying the port.
class Program
{
public:
    explicit Program(quint16 port)
    {
        QSettings config(m_folder.filePath(QStringLiteral("config")), QSettings::IniFormat);
        config.setValue(QStringLiteral("common/Port"), port);
        config.setValue(QStringLiteral("app/ShowSplashScreen"), false);
        config.setValue(QStringLiteral("common/LogDebug"), true); // info lines reach the file too
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
            if (!m_process.waitForFinished(15000))
                m_process.kill();
        }
    }
    // Starts the program and waits until it runs; false after the time-out.
    bool startReady(const QStringList& arguments = {QStringLiteral("--minimized")})
    {
        start(m_process, arguments);
        if (!m_process.waitForStarted())
            return false;
        return QTest::qWaitFor(
            [this] { return logOf(m_folder).contains(QStringLiteral("---- Application ready ----")); }, 30000);
    }
    // Starts the program once more in the same folder.
    void start(QProcess& process, const QStringList& arguments) const
    {
        process.setWorkingDirectory(m_folder.path());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(TESSIVAR_PROGRAM), arguments);
    }
    QProcess& process() { return m_process; }
    const tessivar::test::TestWorkingFolder& folder() const { return m_folder; }

private:
    tessivar::test::TestWorkingFolder m_folder;
    QProcess m_process;
};

// Leaves a socket file behind as a program killed mid-run does: bound, never listened on.
bool leaveStaleSocket(const QString& name)
{
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound && QFile::exists(QString::fromLocal8Bit(path));
}

} // namespace

// A second start of the real program: handed over in the same folder, a copy of its own
// in another; --help and --version without a display.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondStartHandsOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("request");
        QTest::newRow("plain") << QStringList{} << "show";
        QTest::newRow("minimized") << QStringList{QStringLiteral("--minimized")} << "ping";
    }
    void secondStartHandsOver()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, request);
        Program first(kFirstPort);
        QVERIFY(first.startReady());

        QProcess second;
        first.start(second, arguments);
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(logOf(first.folder()).contains(QStringLiteral("Later start asked: \"%1\"").arg(request)));
        // No second copy tried the port, and the first runs on.
        QVERIFY(!logOf(first.folder()).contains(QStringLiteral("already in use")));
        QCOMPARE(first.process().state(), QProcess::Running);
    }

    void otherFolderRunsItsOwnCopy()
    {
        Program first(kFirstPort);
        QVERIFY(first.startReady());
        Program second(kSecondPort);
        QVERIFY(second.startReady());
        QCOMPARE(first.process().state(), QProcess::Running);
        QCOMPARE(second.process().state(), QProcess::Running);
        QVERIFY(!logOf(first.folder()).contains(QStringLiteral("Later start asked")));
    }

    // A socket left by a crashed program neither blocks the start nor is handed over to.
    void staleSocketIsReplaced()
    {
        Program program(kFirstPort);
        const QString name = tessivar::SingleInstance::serverName(program.folder().filePath(QStringLiteral("config")));
        QVERIFY(leaveStaleSocket(name));
        QVERIFY(program.startReady());
        QProcess second;
        program.start(second, {});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(logOf(program.folder()).contains(QStringLiteral("Later start asked: \"show\"")));
    }

    void informationWithoutDisplay_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help") << "--help"
                              << "--minimized";
        QTest::newRow("version") << "--version"
                                 << "tessivar 1.5.1";
    }
    void informationWithoutDisplay()
    {
        QFETCH(QString, argument);
        QFETCH(QString, printed);
        tessivar::test::TestWorkingFolder folder;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(TESSIVAR_PROGRAM), {argument});
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(printed),
                 qPrintable(program.readAllStandardError()));
        // Nothing was started: no log written.
        QVERIFY(!QDir(folder.filePath(QStringLiteral("log"))).exists());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
