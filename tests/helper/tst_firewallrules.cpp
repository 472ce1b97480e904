#include "app/FirewallFlow.h"
#include "core/Configuration.h"
#include "network/FirewallCheck.h"
#include "network/FirewallRule.h"
#include "network/FirewallStatus.h"
#include "support/TestWorkingFolder.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace tessivar::network;

namespace {

const QString kName = QStringLiteral("Tessivar Remote Dashboard");

QString helperPath()
{
    return qEnvironmentVariable("TESSIVAR_BIN_DIR") + QStringLiteral("/tessivar-helper");
}

} // namespace

// The rules that "firewall --add-rule" asks for, as firewalld or ufw keep them: stand-ins
// for their commands on PATH keep the rules in a folder of the test.
class TestFirewallRules : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;
    QString m_program;

    // A copy of the helper, so that its log stays in the test's folder.
    QString helperCopy()
    {
        const QString helper = m_folder->filePath(QStringLiteral("tessivar-helper"));
        if (!QFileInfo::exists(helper))
            QFile::copy(helperPath(), helper);
        return helper;
    }

    int addRule(const QStringList& arguments, QByteArray* output = nullptr)
    {
        const QString helper = helperCopy();
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(helper, QStringList{QStringLiteral("firewall"), QStringLiteral("--add-rule")} + arguments);
        if (!process.waitForFinished(30000))
            return -1;
        if (output)
            *output = process.readAll();
        return process.exitCode();
    }

    void useFirewall(const QString& backend)
    {
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("firewall/") + backend)));
    }

private Q_SLOTS:
    void initTestCase() { qputenv("PATH", QByteArray(STANDIN_DIR) + ':' + qgetenv("PATH")); }

    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        qputenv("TESSIVAR_TEST_FIREWALL_DIR", m_folder->filePath(QStringLiteral("firewall")).toLocal8Bit());
        QDir().mkpath(m_folder->filePath(QStringLiteral("firewall")));
        QDir().mkpath(m_folder->filePath(QStringLiteral("app")));
        m_program = m_folder->filePath(QStringLiteral("app/tessivar"));
        QSettings(m_folder->filePath(QStringLiteral("app/config")), QSettings::IniFormat)
            .setValue(QStringLiteral("common/Port"), 20990);
    }

    void cleanup() { m_folder.reset(); }

    void addTwiceGivesTwoRules_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("firewalld") << QStringLiteral("firewalld");
        QTest::newRow("ufw") << QStringLiteral("ufw");
    }

    void addTwiceGivesTwoRules()
    {
        QFETCH(QString, backend);
        useFirewall(backend);
        QVERIFY(firewallActive());
        QVERIFY(listFirewallRules(m_program).isEmpty());
        // A rule of the program under another name goes; another program's rule stays.
        QVERIFY(addFirewallRule(QStringLiteral("Old"), m_program, 17, 20990));
        QVERIFY(addFirewallRule(QStringLiteral("Other"), QStringLiteral("/usr/bin/other"), 6, 8080));

        QByteArray output;
        QCOMPARE(addRule({kName, m_program}, &output), 0);
        QVERIFY2(output.contains("Firewall exception added"), output.constData());
        QCOMPARE(addRule({kName, m_program}), 0);

        const QList<FirewallRule_t> rules = listFirewallRules(m_program);
        QCOMPARE(rules.size(), 2);
        QStringList names;
        for (const FirewallRule_t& rule : rules) {
            names << rule.name;
            QCOMPARE(rule.application, m_program);
            QCOMPARE(rule.action, FirewallAction_e::Allow);
            QCOMPARE(rule.direction, FirewallDirection_e::In);
            QVERIFY(rule.enabled);
            QCOMPARE(rule.protocol,
                     rule.name.endsWith(QLatin1String("TCP")) ? FirewallProtocol_e::Tcp : FirewallProtocol_e::Udp);
        }
        names.sort();
        QCOMPARE(names, (QStringList{kName + QStringLiteral(" TCP"), kName + QStringLiteral(" UDP")}));
        QCOMPARE(listFirewallRules(QString()).size(), 3);
        QVERIFY(firewallRulesAllowTraffic(rules, currentFirewallProfiles()));
        // The port in the program's own settings is the one opened.
        QFile calls(m_folder->filePath(QStringLiteral("firewall/calls")));
        QVERIFY(calls.open(QIODevice::ReadOnly));
        const QByteArray log = calls.readAll();
        QVERIFY(log.contains("20990/tcp") && log.contains("20990/udp"));
    }

    // The port opened is the one in the settings that the program reads for the user who
    // asked (pkexec's PKEXEC_UID, here a user of a passwd mounted for the helper alone):
    // beside the program when that user may write its folder, else in the user's data
    // folder; the default, said in the log, when none can be read. Root logs nothing
    // into the folder beside the helper.
    void portOfTheInvokingUser_data()
    {
        QTest::addColumn<bool>("userOwnsFolder");
        QTest::addColumn<QString>("stored"); // empty: no settings file
        QTest::addColumn<int>("port");
        QTest::newRow("installed") << false << QStringLiteral("20991") << 20991;
        QTest::newRow("beside the program") << true << QStringLiteral("20992") << 20992;
        QTest::newRow("no settings") << false << QString() << 20948;
        QTest::newRow("invalid port") << false << QStringLiteral("70000") << 20948;
    }

    void portOfTheInvokingUser()
    {
        QFETCH(bool, userOwnsFolder);
        QFETCH(QString, stored);
        QFETCH(int, port);
        if (::geteuid() != 0)
            QSKIP("Takes another user's rights: needs root");
        useFirewall(QStringLiteral("ufw"));
        constexpr unsigned kUid = 4242;
        const QString home = m_folder->filePath(QStringLiteral("home"));
        QFile passwd(m_folder->filePath(QStringLiteral("passwd")));
        QFile system(QStringLiteral("/etc/passwd"));
        QVERIFY(passwd.open(QIODevice::WriteOnly) && system.open(QIODevice::ReadOnly));
        passwd.write(system.readAll() + "tessivartest:x:4242:4242::" + home.toUtf8() + ":/bin/sh\n");
        passwd.close();
        // The user reaches the program's folder; whether it may write there decides.
        QVERIFY(QFile::setPermissions(m_folder->path(),
                                      QFile::permissions(m_folder->path()) | QFile::ExeOther | QFile::ReadOther));
        const QString appFolder = m_folder->filePath(QStringLiteral("app"));
        if (userOwnsFolder)
            QCOMPARE(::chown(appFolder.toLocal8Bit().constData(), kUid, kUid), 0);
        const QString settingsFolder
            = userOwnsFolder ? appFolder : home + QStringLiteral("/.local/share/Tessivar/Tessivar Remote Dashboard");
        QFile::remove(appFolder + QStringLiteral("/config"));
        if (!stored.isEmpty()) {
            QVERIFY(QDir().mkpath(settingsFolder));
            QSettings(settingsFolder + QStringLiteral("/config"), QSettings::IniFormat)
                .setValue(QStringLiteral("common/Port"), stored);
        }
        if (!userOwnsFolder) // the settings beside the program are not this user's
            QSettings(appFolder + QStringLiteral("/config"), QSettings::IniFormat)
                .setValue(QStringLiteral("common/Port"), 20990);

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PKEXEC_UID"), QString::number(kUid));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("unshare"),
                      {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("mount --bind \"$0\" /etc/passwd && exec \"$@\""), passwd.fileName(),
                       helperCopy(), QStringLiteral("firewall"), QStringLiteral("--add-rule"), kName, m_program});
        QVERIFY(process.waitForFinished(30000));
        const QByteArray output = process.readAll();
        QVERIFY2(process.exitCode() == 0, output.constData());
        QFile calls(m_folder->filePath(QStringLiteral("firewall/calls")));
        QVERIFY(calls.open(QIODevice::ReadOnly));
        const QByteArray log = calls.readAll();
        QVERIFY2(log.contains(QByteArray::number(port) + "/tcp") && log.contains(QByteArray::number(port) + "/udp"),
                 log.constData());
        if (port == 20948)
            QVERIFY2(output.contains("opening the default port"), output.constData());
        QVERIFY(!QFileInfo::exists(m_folder->filePath(QStringLiteral("log"))));
        QVERIFY(!QFileInfo::exists(appFolder + QStringLiteral("/log")));
    }

    // As root the helper's lines go to the system log: a listener on /dev/log in a mount
    // namespace of the test's own receives them.
    void rootLogsToTheSystemLog()
    {
        if (::geteuid() != 0)
            QSKIP("Logs to the system log as root only");
        const QString dev = m_folder->filePath(QStringLiteral("dev"));
        QVERIFY(QDir().mkpath(dev));
        QFile null(dev + QStringLiteral("/null"));
        QVERIFY(null.open(QIODevice::WriteOnly));
        null.close();
        QProcess process;
        process.start(QStringLiteral("unshare"),
                      {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("mount --bind /dev/null \"$0/null\" && mount --rbind \"$0\" /dev && exec \"$@\""),
                       dev, QStringLiteral(STANDIN_DIR "/../syslog-capture.py"), helperCopy(),
                       QStringLiteral("firewall"), QStringLiteral("--add-rule"), QStringLiteral("a")});
        QVERIFY(process.waitForFinished(30000));
        const QByteArray log = process.readAllStandardOutput();
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(log.contains("tessivar-helper[") && log.contains("Processing firewall add-rule command")
                     && log.contains("Invalid arguments"),
                 log.constData());
        QVERIFY(!QFileInfo::exists(m_folder->filePath(QStringLiteral("log"))));
    }

    void noFirewallActive()
    {
        QVERIFY(!firewallActive());
        QVERIFY(listFirewallRules(QString()).isEmpty());
        QVERIFY(applicationHasFirewallException());
        QByteArray output;
        QCOMPARE(addRule({kName, m_program}, &output), 1);
        QVERIFY2(output.contains("Failed to add TCP rule"), output.constData());
    }

    // The server's side: the check at start asks for the exception, the helper adds it,
    // and the check then passes.
    void serverFlow()
    {
        useFirewall(QStringLiteral("firewalld"));
        tessivar::Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        tessivar::FirewallFlow::Options options;
        options.helperPath = helperCopy();
        FirewallCheck check;
        tessivar::FirewallFlow flow(configuration, check, options);
        QSignalSpy requested(&flow, &tessivar::FirewallFlow::firewallInformationRequested);
        QSignalSpy finished(&check, &FirewallCheck::finished);

        configuration.setIgnoreFirewall(true);
        flow.checkAtStartup();
        QVERIFY(!check.running());
        configuration.setIgnoreFirewall(false);
        flow.checkAtStartup();
        QVERIFY(finished.wait(10000));
        QCOMPARE(requested.count(), 1);

        QVERIFY(flow.addApplicationFirewallException());
        // The answer of the check asked for now comes with the next call.
        QVERIFY(!flow.applicationHasFirewallException());
        QVERIFY(finished.wait(10000));
        QVERIFY(flow.applicationHasFirewallException());
        QVERIFY(finished.wait(10000));
        flow.checkAtStartup();
        QCOMPARE(requested.count(), 1);
        QCOMPARE(ownFirewallRules().size(), 2);
    }

    void helperFailures()
    {
        tessivar::Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        tessivar::FirewallFlow::Options options;
        options.helperPath = m_folder->filePath(QStringLiteral("missing-helper"));
        FirewallCheck check;
        tessivar::FirewallFlow missing(configuration, check, options);
        QTest::ignoreMessage(QtWarningMsg, "Helper failed to launch. Error: 2");
        QVERIFY(!missing.runHelper(QStringLiteral("firewall"), {}, false));

        options.helperPath = helperCopy();
        tessivar::FirewallFlow flow(configuration, check, options);
        QTest::ignoreMessage(QtWarningMsg, "Exit code: 1");
        QVERIFY(!flow.runHelper(QStringLiteral("run"), {QStringLiteral("nothing")}, false));

        // A helper that does not finish is left running and not waited for.
        options.helperPath = QStringLiteral("/bin/sleep");
        options.helperTimeoutMs = 100;
        tessivar::FirewallFlow slow(configuration, check, options);
        QTest::ignoreMessage(QtWarningMsg, "Helper did not finish in time");
        QVERIFY(!slow.runHelper(QStringLiteral("2"), {}, false));
    }
};

QTEST_GUILESS_MAIN(TestFirewallRules)
#include "tst_firewallrules.moc"
