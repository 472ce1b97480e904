#include "core/Configuration.h"
#include "platform/Processes.h"
#include "support/TestWorkingFolder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <unistd.h>

using tessivar::platform::findRunningProcess;
using tessivar::platform::ProcessId;

namespace {

// Off the default port, which another test of the suite may hold.
constexpr int kPort = 20977;
constexpr int kReadyTimeoutMs = 30000;

QString installPath(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

QString serverPath()
{
    return installPath(QStringLiteral("tessivar"));
}

QString helperPath()
{
    return installPath(QStringLiteral("tessivar-helper"));
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString serverLog()
{
    return installPath(
        QStringLiteral("log/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
}

int readyCount()
{
    return fileContent(serverLog()).count("---- Application ready ----");
}

QStringList commandLineOf(ProcessId pid)
{
    const QByteArray raw = fileContent(QStringLiteral("/proc/%1/cmdline").arg(pid));
    QStringList arguments;
    for (const QByteArray& part : raw.split('\0'))
        if (!part.isEmpty())
            arguments << QString::fromLocal8Bit(part);
    return arguments;
}

void stopServer()
{
    while (const ProcessId pid = findRunningProcess(serverPath().toStdString()))
        tessivar::platform::terminateProcess(pid);
}

struct Run {
    int exitCode = -1;
    QByteArray output;
};

Run runHelper(const QStringList& arguments, const QString& workingDirectory = QDir::tempPath())
{
    QProcess helper;
    helper.setWorkingDirectory(workingDirectory);
    helper.setProcessChannelMode(QProcess::MergedChannels);
    helper.start(helperPath(), arguments);
    helper.closeWriteChannel();
    if (!helper.waitForFinished(20000))
        return {};
    return {helper.exitCode(), helper.readAll()};
}

// The helper on a terminal, where the user answers its question.
Run runHelperOnTerminal(const QStringList& arguments, const QByteArray& answer)
{
    QProcess terminal;
    terminal.setProcessChannelMode(QProcess::MergedChannels);
    terminal.start(QStringLiteral("script"),
                   {QStringLiteral("-qec"),
                    QStringLiteral("'%1' %2").arg(helperPath(), arguments.join(QLatin1Char(' '))),
                    QStringLiteral("/dev/null")});
    terminal.write(answer);
    terminal.closeWriteChannel();
    if (!terminal.waitForFinished(20000))
        return {};
    return {terminal.exitCode(), terminal.readAll()};
}

// "Exec=..." of a desktop entry, split as the desktop splits it: string escapes first,
// then double-quoted arguments with backslash escapes.
QStringList execArguments(const QString& entry)
{
    QString exec;
    for (const QString& line : entry.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Exec=")))
            exec = line.mid(5);
    exec.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    QStringList arguments;
    QString current;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                arguments << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments << current;
    return arguments;
}

} // namespace

// The real tessivar-helper beside the real server, in this test's own folder, as they
// are installed together.
class TestHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QString bin = qEnvironmentVariable("TESSIVAR_BIN_DIR");
        for (const QString& program :
             {QStringLiteral("tessivar"), QStringLiteral("tessivar-helper"), QStringLiteral("libtessivarPlugin.so")}) {
            QFile::remove(installPath(program));
            QVERIFY(QFile::copy(bin + QLatin1Char('/') + program, installPath(program)));
        }
    }

    void init()
    {
        stopServer();
        for (const QString& folder : {QStringLiteral("log"), QStringLiteral("modules")})
            QDir(installPath(folder)).removeRecursively();
        QFile::remove(installPath(QStringLiteral("config")));
        QSettings config(installPath(QStringLiteral("config")), QSettings::IniFormat);
        config.setValue(QStringLiteral("common/LogDebug"), true);
        config.setValue(QStringLiteral("common/Port"), kPort);
        config.setValue(QStringLiteral("app/ShowSplashScreen"), false);
    }

    void cleanupTestCase() { stopServer(); }

    void rejectedCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no argument") << QStringList{} << QStringList{QStringLiteral("No argument provided")};
        QTest::newRow("unknown command") << QStringList{QStringLiteral("open")}
                                         << QStringList{QStringLiteral("Unknown command \"open\""),
                                                        QStringLiteral("Expected: QList(\"firewall\", \"run\")")};
        QTest::newRow("firewall alone") << QStringList{QStringLiteral("firewall")}
                                        << QStringList{QStringLiteral("Processing firewall command"),
                                                       QStringLiteral("No argument found"),
                                                       QStringLiteral("Expected: QList(\"--add-rule\")")};
        QTest::newRow("run unknown") << QStringList{QStringLiteral("run"), QStringLiteral("Server")}
                                     << QStringList{QStringLiteral("Unknown command \"Server\""),
                                                    QStringLiteral("Expected: QList(\"client\", \"server\")")};
        QTest::newRow("add-rule one argument")
            << QStringList{QStringLiteral("firewall"), QStringLiteral("--add-rule"), QStringLiteral("Tessivar")}
            << QStringList{QStringLiteral("Processing firewall add-rule command"), QStringLiteral("Invalid arguments")};
        QTest::newRow("add-rule three arguments")
            << QStringList{QStringLiteral("firewall"), QStringLiteral("--add-rule"), QStringLiteral("a"),
                           QStringLiteral("/b"), QStringLiteral("c")}
            << QStringList{QStringLiteral("Invalid arguments")};
        QTest::newRow("client not installed") << QStringList{QStringLiteral("run"), QStringLiteral("client")}
                                              << QStringList{QStringLiteral("Starting Tessivar Client"),
                                                             QStringLiteral("Program failed to launch. Error: 2")};
    }

    void rejectedCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, lines);
        const Run run = runHelper(arguments);
        QCOMPARE(run.exitCode, 1);
        for (const QString& line : lines)
            QVERIFY2(run.output.contains(line.toUtf8()), run.output.constData());
        // The helper logs beside itself; as root, where every folder takes files, it logs
        // to the system's log and leaves the program's folder alone.
        const QString log = installPath(
            QStringLiteral("log/log_%1_helper.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
        if (::geteuid() == 0)
            QVERIFY(!QFileInfo::exists(log));
        else
            QVERIFY(fileContent(log).contains(lines.last().toUtf8()));
    }

    void runServerStartsItFromItsFolder()
    {
        const Run run = runHelper({QStringLiteral("run"), QStringLiteral("server"), QStringLiteral("--minimized")});
        QVERIFY2(run.output.contains("Parameters: \" \\\"--minimized\\\"\""), run.output.constData());
        QVERIFY(run.output.contains("Program started successfully"));
        QCOMPARE(run.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(readyCount(), 1, kReadyTimeoutMs);
        const ProcessId pid = findRunningProcess(serverPath().toStdString());
        QVERIFY(pid != 0);
        // Linux paths are case-sensitive: another spelling is another program.
        QCOMPARE(findRunningProcess(serverPath().toUpper().toStdString()), ProcessId(0));
        QCOMPARE(commandLineOf(pid), (QStringList{serverPath(), QStringLiteral("--minimized")}));
        QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
    }

    void runningServerAndAnswerNo()
    {
        QCOMPARE(runHelper({QStringLiteral("run"), QStringLiteral("server")}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(readyCount(), 1, kReadyTimeoutMs);
        const ProcessId first = findRunningProcess(serverPath().toStdString());

        const Run no = runHelperOnTerminal({QStringLiteral("run"), QStringLiteral("server")}, "n\n");
        QVERIFY2(no.output.contains("Tessivar Server is already running. Restart it?"), no.output.constData());
        QCOMPARE(no.exitCode, 1);
        QVERIFY(!no.output.contains("Launching program"));
        QCOMPARE(findRunningProcess(serverPath().toStdString()), first);

        const Run yes = runHelperOnTerminal({QStringLiteral("run"), QStringLiteral("server")}, "y\n");
        QVERIFY2(yes.output.contains("Restarting"), yes.output.constData());
        QCOMPARE(yes.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(readyCount(), 2, kReadyTimeoutMs);
        const ProcessId second = findRunningProcess(serverPath().toStdString());
        QVERIFY(second != 0 && second != first);
        // The first one was asked to end and saved its settings on the way out.
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1/exe").arg(first))
                || QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(first)) != serverPath());
    }

    // Without anyone to ask (no terminal, no desktop), the answer is No.
    void nobodyToAskIsNo()
    {
        QCOMPARE(runHelper({QStringLiteral("run"), QStringLiteral("server")}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(readyCount(), 1, kReadyTimeoutMs);
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        const Run run = runHelper({QStringLiteral("run"), QStringLiteral("server")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.output.contains("Program is already running"));
    }

    // Launch at login: the autostart entry's command, run from elsewhere as the desktop
    // runs it, starts the server from its own folder, minimized.
    void autostartEntryStartsServer()
    {
        tessivar::test::TestWorkingFolder elsewhere;
        qputenv("XDG_CONFIG_HOME", elsewhere.filePath(QStringLiteral("xdg")).toLocal8Bit());
        {
            tessivar::Configuration configuration(elsewhere.filePath(QStringLiteral("config")));
            configuration.enableLaunchAtStartup(true);
            QVERIFY(configuration.isLaunchAtStartupEnabled());
        }
        const QStringList command = execArguments(
            QString::fromUtf8(fileContent(elsewhere.filePath(QStringLiteral("xdg/autostart/tessivar.desktop")))));
        QCOMPARE(command,
                 (QStringList{helperPath(), QStringLiteral("run"), QStringLiteral("server"),
                              QStringLiteral("--minimized")}));

        QProcess desktop;
        desktop.setWorkingDirectory(elsewhere.path());
        desktop.start(command.first(), command.mid(1));
        QVERIFY(desktop.waitForFinished(20000));
        QCOMPARE(desktop.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readyCount(), 1, kReadyTimeoutMs);
        const ProcessId pid = findRunningProcess(serverPath().toStdString());
        QCOMPARE(commandLineOf(pid), (QStringList{serverPath(), QStringLiteral("--minimized")}));
        // It found its settings in its own folder, not where it was started from.
        QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("log"))));
        QCOMPARE(QSettings(installPath(QStringLiteral("config")), QSettings::IniFormat)
                     .value(QStringLiteral("common/FirstLaunch"))
                     .toBool(),
                 false);
    }
};

QTEST_GUILESS_MAIN(TestHelper)
#include "tst_helper.moc"
