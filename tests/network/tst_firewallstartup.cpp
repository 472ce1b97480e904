#include "app/TessivarServerApplication.h"
#include "network/FirewallStatus.h"
#include "support/TestWorkingFolder.h"

#include <QDir>
#include <QQmlContext>
#include <QSignalSpy>
#include <QTest>

using tessivar::Configuration;
using tessivar::TessivarServerApplication;

// The firewall check at start and the exception asked from QML, with the real helper
// beside the program and a stand-in for firewalld holding the rules.
class TestFirewallStartup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;

    // True when the firewall information was requested, once the check has answered.
    bool startRequestsInformation(bool ignoreFirewall)
    {
        Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        configuration.setPort(20979);
        configuration.setIgnoreFirewall(ignoreFirewall);
        TessivarServerApplication::Options options;
        options.minimized = true;
        options.splashHideDelayMs = 0;
        // ufw's settings say it filters whenever the stand-in's ufw is on.
        const QString ufwConfig = m_folder->filePath(QStringLiteral("ufw.conf"));
        QFile config(ufwConfig);
        if (!config.open(QIODevice::WriteOnly))
            qFatal("ufw.conf not written");
        config.write(QDir(m_folder->filePath(QStringLiteral("firewall/ufw"))).exists() ? "ENABLED=yes\n"
                                                                                       : "ENABLED=no\n");
        config.close();
        options.firewallReadOptions.ufwConfigPath = ufwConfig.toStdString();
        TessivarServerApplication application(options, configuration);
        QSignalSpy requested(&application, &TessivarServerApplication::firewallInformationRequested);
        QSignalSpy ready(&application, &TessivarServerApplication::applicationReady);
        if (!ready.wait(20000))
            qFatal("The application did not start");
        QObject* firewall = application.engine()
                                .rootContext()
                                ->contextProperty(QStringLiteral("NetworkStatus"))
                                .value<QObject*>()
                                ->property("Firewall")
                                .value<QObject*>();
        // The check started with the program; the request follows its answer.
        if (!ignoreFirewall && firewall->property("State").toString() == QLatin1String("checking")) {
            QSignalSpy status(firewall, SIGNAL(firewallStatusChanged()));
            if (!status.wait(10000))
                qFatal("The firewall check did not answer");
        }
        return requested.count() == 1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/tessivar-helper");
        QFile::remove(helper);
        QVERIFY(QFile::copy(qEnvironmentVariable("TESSIVAR_BIN_DIR") + QStringLiteral("/tessivar-helper"), helper));
        qputenv("PATH", QByteArray(STANDIN_DIR) + ':' + qgetenv("PATH"));
    }

    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        qputenv("TESSIVAR_TEST_FIREWALL_DIR", m_folder->filePath(QStringLiteral("firewall")).toLocal8Bit());
    }

    void cleanup() { m_folder.reset(); }

    void noActiveFirewallAsksNothing() { QVERIFY(!startRequestsInformation(false)); }

    void ignoredFirewallAsksNothing()
    {
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("firewall/firewalld"))));
        QVERIFY(startRequestsInformation(false));
        QVERIFY(!startRequestsInformation(true));
    }

    // ufw refuses its rules to a user who is not root: no popup at all.
    void unreadableRulesAskNothing()
    {
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("firewall/ufw"))));
        qputenv("TESSIVAR_TEST_UID", "1000");
        QVERIFY(!startRequestsInformation(false));
        qunsetenv("TESSIVAR_TEST_UID");
        QVERIFY(startRequestsInformation(false));
    }

    void exceptionFromQml()
    {
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("firewall/firewalld"))));
        Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        configuration.setPort(20979);
        TessivarServerApplication::Options options;
        options.minimized = true;
        TessivarServerApplication application(options, configuration);
        QQmlEngine& engine = application.engine();
        QObject* controller = engine.rootContext()->contextProperty(QStringLiteral("Controller")).value<QObject*>();
        QCOMPARE(controller, &application);

        // The network page's view of the same rules, once the check started with the
        // program has answered.
        QObject* status = engine.rootContext()->contextProperty(QStringLiteral("NetworkStatus")).value<QObject*>();
        QVERIFY(status);
        QObject* firewall = status->property("Firewall").value<QObject*>();
        QVERIFY(firewall);
        QTRY_COMPARE_WITH_TIMEOUT(firewall->property("State").toString(), QStringLiteral("blocked"), 10000);
        bool allowed = true;
        QVERIFY(QMetaObject::invokeMethod(controller, "applicationHasFirewallException", Q_RETURN_ARG(bool, allowed)));
        QVERIFY(!allowed);
        QObject* tcp = firewall->property("Tcp").value<QObject*>();
        QVERIFY(!tcp->property("PublicAllowed").toBool());

        QVERIFY(QMetaObject::invokeMethod(controller, "addApplicationFirewallException"));
        QVERIFY(QMetaObject::invokeMethod(firewall, "refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(firewall->property("State").toString(), QStringLiteral("allowed"), 10000);
        QVERIFY(tcp->property("PublicAllowed").toBool());
        QVERIFY(QMetaObject::invokeMethod(controller, "applicationHasFirewallException", Q_RETURN_ARG(bool, allowed)));
        QVERIFY(allowed);
        const QList<tessivar::network::FirewallRule_t> rules = tessivar::network::ownFirewallRules();
        QCOMPARE(rules.size(), 2);
        QCOMPARE(rules.first().name, QCoreApplication::applicationName() + QStringLiteral(" TCP"));
    }
};

QTEST_MAIN(TestFirewallStartup)
#include "tst_firewallstartup.moc"
