#include "app/FirewallFlow.h"
#include "core/Configuration.h"
#include "network/FirewallCheck.h"
#include "network/FirewallRule.h"
#include "network/NetworkFirewallModel.h"
#include "support/TestWorkingFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::network;

Q_DECLARE_METATYPE(FirewallState_e)

// The firewall check as firewalld and ufw answer it, through stand-ins on PATH that
// refuse a user who is not root as the real tools do.
class TestFirewallCheck : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;

    QString firewallDir() const { return m_folder->filePath(QStringLiteral("firewall")); }

    tessivar::platform::FirewallReadOptions readOptions() const
    {
        return {m_folder->filePath(QStringLiteral("ufw.conf")).toStdString()};
    }

    // Installs the firewall as root would find it; ufw's settings file says whether it filters.
    void setUp(const QString& backend, bool enabled, bool withException)
    {
        if (enabled)
            QVERIFY(QDir().mkpath(firewallDir() + QLatin1Char('/') + backend));
        QFile config(m_folder->filePath(QStringLiteral("ufw.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(backend == QLatin1String("ufw") && enabled ? "ENABLED=yes\n" : "ENABLED=no\n");
        if (withException) {
            const QString self = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
            QVERIFY(addFirewallRule(QStringLiteral("T TCP"), self, 6, 20948));
            QVERIFY(addFirewallRule(QStringLiteral("T UDP"), self, 17, 20948));
        }
    }

    int calls(const QByteArray& what) const
    {
        QFile file(firewallDir() + QStringLiteral("/calls"));
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return static_cast<int>(file.readAll().count(what));
    }

private Q_SLOTS:
    void initTestCase() { qputenv("PATH", QByteArray(STANDIN_DIR) + ':' + qgetenv("PATH")); }

    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(QDir().mkpath(firewallDir()));
        qputenv("TESSIVAR_TEST_FIREWALL_DIR", firewallDir().toLocal8Bit());
        qunsetenv("TESSIVAR_TEST_UID");
        qunsetenv("TESSIVAR_TEST_FIREWALL_HANG");
    }

    void cleanup() { m_folder.reset(); }

    void state_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("exception");
        QTest::addColumn<FirewallState_e>("state");
        QTest::addColumn<QString>("command"); // the start of the command offered
        const QString firewalldCommand = QStringLiteral("sudo firewall-cmd --permanent --add-port=20948/tcp");
        const QString ufwCommand = QStringLiteral("sudo ufw allow 20948/tcp");
        for (const QString& backend : {QStringLiteral("firewalld"), QStringLiteral("ufw")}) {
            const QString command = backend == QLatin1String("ufw") ? ufwCommand : firewalldCommand;
            const QByteArray name = backend.toLatin1();
            QTest::newRow(name + " root enabled")
                << backend << true << true << false << FirewallState_e::Blocked << command;
            QTest::newRow(name + " root enabled exception")
                << backend << true << true << true << FirewallState_e::Allowed << command;
            QTest::newRow(name + " root disabled")
                << backend << true << false << false << FirewallState_e::Allowed << QString();
            // The rules are refused: nothing to ask the user, only the command to give.
            QTest::newRow(name + " user enabled")
                << backend << false << true << false << FirewallState_e::Unknown << command;
            QTest::newRow(name + " user enabled exception")
                << backend << false << true << true << FirewallState_e::Unknown << command;
            QTest::newRow(name + " user disabled")
                << backend << false << false << false << FirewallState_e::Allowed << QString();
        }
    }

    void state()
    {
        QFETCH(QString, backend);
        QFETCH(bool, root);
        QFETCH(bool, enabled);
        QFETCH(bool, exception);
        QFETCH(FirewallState_e, state);
        QFETCH(QString, command);
        setUp(backend, enabled, exception);
        if (!root)
            qputenv("TESSIVAR_TEST_UID", "1000");

        FirewallCheck check;
        check.setReadOptions(readOptions());
        NetworkFirewallModel model(check, [] { return 20948; });
        QSignalSpy finished(&check, &FirewallCheck::finished);
        QSignalSpy changed(&model, &NetworkFirewallModel::firewallStatusChanged);
        QCOMPARE(model.property("State").toString(), QStringLiteral("checking"));
        model.refresh();
        QVERIFY(check.running());
        QVERIFY(finished.wait(10000));
        QCOMPARE(check.state(), state);
        QCOMPARE(changed.count(), 1);
        const char* stateNames[] = {"unknown", "allowed", "blocked"};
        QCOMPARE(model.property("State").toString(), QString::fromLatin1(stateNames[static_cast<int>(state)]));
        const QString offered = model.property("OpenPortCommand").toString();
        QVERIFY2(command.isEmpty() ? offered.isEmpty() : offered.startsWith(command), qPrintable(offered));
        if (state == FirewallState_e::Allowed && enabled)
            QVERIFY(model.property("Tcp").value<QObject*>()->property("PublicAllowed").toBool());
    }

    // Requests while a check runs are served by one more check, not one each.
    void requestsCoalesce()
    {
        setUp(QStringLiteral("firewalld"), true, false);
        FirewallCheck check;
        QSignalSpy finished(&check, &FirewallCheck::finished);
        check.request();
        check.request();
        check.request();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 10000);
        QVERIFY(!check.running());
        QCOMPARE(calls("--state"), 2);
    }

    // Neither tool installed: no firewall to read, answered after the request returns, as
    // a started tool would be.
    void noToolInstalled()
    {
        const struct PathRestorer {
            QByteArray path = qgetenv("PATH");
            ~PathRestorer() { qputenv("PATH", path); }
        } restorer;
        qputenv("PATH", m_folder->filePath(QStringLiteral("empty")).toLocal8Bit());
        FirewallCheck check;
        QSignalSpy finished(&check, &FirewallCheck::finished);
        check.request();
        QVERIFY(check.running());
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(check.state(), FirewallState_e::Allowed);
        QCOMPARE(calls("--state") + calls("status"), 0);
    }

    // A tool that never answers is stopped; the state is then unknown.
    void hangingToolTimesOut()
    {
        setUp(QStringLiteral("firewalld"), true, false);
        qputenv("TESSIVAR_TEST_FIREWALL_HANG", "1");
        FirewallCheck check;
        check.setToolTimeout(std::chrono::milliseconds(200));
        QSignalSpy finished(&check, &FirewallCheck::finished);
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Firewall tool did not answer in time")));
        check.request();
        QVERIFY(elapsed.elapsed() < 1000);
        QVERIFY(finished.wait(5000));
        QCOMPARE(check.state(), FirewallState_e::Unknown);
        QVERIFY(!check.running());
    }

    // The start asks for the firewall information when the check knows it blocks, at
    // once when the answer is in, else when it comes; never for "unknown".
    void startupRequest_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("answeredBefore");
        QTest::addColumn<bool>("requested");
        QTest::newRow("blocked, answer in") << QStringLiteral("ufw") << true << true << true;
        QTest::newRow("blocked, answer later") << QStringLiteral("ufw") << true << false << true;
        QTest::newRow("unknown") << QStringLiteral("ufw") << false << true << false;
        QTest::newRow("unknown, answer later") << QStringLiteral("firewalld") << false << false << false;
    }

    void startupRequest()
    {
        QFETCH(QString, backend);
        QFETCH(bool, root);
        QFETCH(bool, answeredBefore);
        QFETCH(bool, requested);
        setUp(backend, true, false);
        if (!root)
            qputenv("TESSIVAR_TEST_UID", "1000");
        tessivar::Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        FirewallCheck check;
        check.setReadOptions(readOptions());
        tessivar::FirewallFlow flow(configuration, check);
        QSignalSpy information(&flow, &tessivar::FirewallFlow::firewallInformationRequested);
        QSignalSpy finished(&check, &FirewallCheck::finished);
        flow.prepare();
        if (answeredBefore)
            QVERIFY(finished.wait(10000));
        flow.checkAtStartup();
        if (answeredBefore)
            QCOMPARE(information.count(), requested ? 1 : 0);
        else
            QVERIFY(finished.wait(10000));
        QCOMPARE(information.count(), requested ? 1 : 0);
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFirewallCheck)
#include "tst_firewallcheck.moc"
