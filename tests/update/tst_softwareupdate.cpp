#include "TestUpdateServer.h"
#include "core/Configuration.h"
#include "support/TestWorkingFolder.h"
#include "update/SoftwareUpdateManager.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

using namespace tessivar;
using namespace tessivar::update;
using namespace tessivar::test;
using namespace std::chrono_literals;

// Several HTTPS checks in a row; a loaded CI machine may need far longer than QTRY's 5 s.
constexpr int kSlowMachine = 30000;

class TestSoftwareUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void announcesOnlyNewerVersions_data();
    void announcesOnlyNewerVersions();
    void disabledNotificationsSendNothing();
    void failedChecksAreLoggedAndRetried_data();
    void failedChecksAreLoggedAndRetried();
    void serverHostFromSettings_data();
    void serverHostFromSettings();

private:
    void pointAt(quint16 port);

    QTemporaryDir m_certificateFolder;
    Credentials m_credentials;
    std::unique_ptr<test::TestWorkingFolder> m_folder;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<TestUpdateServer> m_server;
    std::unique_ptr<SoftwareUpdateManager> m_manager;
};

void TestSoftwareUpdate::initTestCase()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("No TLS backend");
    m_credentials = makeCredentials(m_certificateFolder.path());
    QVERIFY2(!m_credentials.certificate.isNull() && !m_credentials.key.isNull(), "openssl made no certificate");
    // The client trusts the test server as it trusts the real one: through its CA list.
    trustCertificate(m_credentials.certificate);
}

void TestSoftwareUpdate::init()
{
    m_folder = std::make_unique<test::TestWorkingFolder>();
    QVERIFY(m_folder->isValid());
    m_configuration = std::make_unique<Configuration>(m_folder->filePath("config"));
    m_server = std::make_unique<TestUpdateServer>(m_credentials);
    QVERIFY(m_server->listen(QHostAddress::LocalHost));
    pointAt(m_server->serverPort());
    m_manager = std::make_unique<SoftwareUpdateManager>(*m_configuration);
    m_manager->setCheckInterval(100ms);
}

void TestSoftwareUpdate::cleanup()
{
    m_manager.reset();
    m_server.reset();
    m_configuration.reset();
    m_folder.reset();
}

void TestSoftwareUpdate::pointAt(quint16 port)
{
    m_configuration->setUpdateServerHost(QStringLiteral("127.0.0.1:%1").arg(port));
}

void TestSoftwareUpdate::announcesOnlyNewerVersions_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("announced");

    QTest::newRow("same version") << QByteArray("1.5.1") << QString();
    QTest::newRow("older") << QByteArray("1.5.0") << QString();
    QTest::newRow("same, with a line end") << QByteArray("1.5.1\n") << QString();
    QTest::newRow("not a version") << QByteArray("<html>maintenance</html>") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("too long to be a version") << QByteArray(300, '9') << QString();
    QTest::newRow("newer minor") << QByteArray("1.6") << QStringLiteral("1.6");
    QTest::newRow("newer major, line end") << QByteArray("2.0.0\r\n") << QStringLiteral("2.0.0");
}

void TestSoftwareUpdate::announcesOnlyNewerVersions()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, announced);
    m_server->body = body;
    QSignalSpy available(m_manager.get(), &SoftwareUpdateManager::updateAvailable);
    QSignalSpy finished(m_manager.get(), &SoftwareUpdateManager::checkFinished);

    m_manager->Start();

    if (announced.isEmpty()) {
        // Each hourly tick asks again.
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 3, kSlowMachine);
        QVERIFY(m_manager->isChecking());
        QCOMPARE(available.size(), 0);
        QCOMPARE(m_server->paths.first(), QStringLiteral("/version/latest"));
        QVERIFY(finished.first().first().toBool());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(available.size(), 1, kSlowMachine);
    QCOMPARE(available.first().first().value<QVersionNumber>(), QVersionNumber::fromString(announced));
    QVERIFY(!m_manager->isChecking());
    const qsizetype asked = m_server->paths.size();
    QTest::qWait(400); // four check intervals
    QCOMPARE(m_server->paths.size(), asked);
    QCOMPARE(available.size(), 1);
}

void TestSoftwareUpdate::disabledNotificationsSendNothing()
{
    m_configuration->setShowUpdateNotifications(false);
    QSignalSpy finished(m_manager.get(), &SoftwareUpdateManager::checkFinished);
    m_manager->Start();
    QTest::qWait(400);
    QCOMPARE(m_server->paths.size(), 0);
    QCOMPARE(finished.size(), 0);

    // Switched back on, the next tick asks.
    m_configuration->setShowUpdateNotifications(true);
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 1, kSlowMachine);
    QCOMPARE(m_server->paths.first(), QStringLiteral("/version/latest"));
}

void TestSoftwareUpdate::failedChecksAreLoggedAndRetried_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("nobody listens") << "closed";
    QTest::newRow("not found") << "404";
    QTest::newRow("silent server") << "silent";
    QTest::newRow("untrusted certificate") << "untrusted";
}

void TestSoftwareUpdate::failedChecksAreLoggedAndRetried()
{
    QFETCH(QString, failure);
    m_server->body = "9.0";
    QTemporaryDir otherFolder;
    std::unique_ptr<TestUpdateServer> impostor;
    if (failure == "closed") {
        const quint16 port = m_server->serverPort();
        m_server->close();
        pointAt(port);
    } else if (failure == "404") {
        m_server->status = 404;
    } else if (failure == "silent") {
        m_server->silent = true;
        m_manager->setRequestTimeout(150ms);
        m_manager->setCheckInterval(300ms);
    } else {
        impostor = std::make_unique<TestUpdateServer>(makeCredentials(otherFolder.path()));
        QVERIFY(impostor->listen(QHostAddress::LocalHost));
        pointAt(impostor->serverPort());
    }
    QSignalSpy available(m_manager.get(), &SoftwareUpdateManager::updateAvailable);
    QSignalSpy finished(m_manager.get(), &SoftwareUpdateManager::checkFinished);
    const QRegularExpression logLine(QStringLiteral("^Software update request failed: "));
    for (int i = 0; i < 2; ++i)
        QTest::ignoreMessage(QtWarningMsg, logLine);

    m_manager->Start();

    QTRY_VERIFY_WITH_TIMEOUT(finished.size() >= 2, kSlowMachine);
    QVERIFY(!finished.at(0).first().toBool());
    QVERIFY(!finished.at(1).first().toBool());
    QCOMPARE(available.size(), 0);
    QVERIFY(m_manager->isChecking());
    m_manager.reset(); // no further lines from later ticks
}

void TestSoftwareUpdate::serverHostFromSettings_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("url");
    const QString fallback = QStringLiteral("https://update.tessivar.app/version/latest");
    QTest::newRow("host and port") << "127.0.0.1:8443"
                                   << "https://127.0.0.1:8443/version/latest";
    QTest::newRow("host name") << "updates.example.org"
                               << "https://updates.example.org/version/latest";
    QTest::newRow("with a path") << "evil.example.org/x" << fallback;
    QTest::newRow("with user info") << "user@evil.example.org" << fallback;
    QTest::newRow("empty") << "" << fallback;
    QTest::newRow("bad port") << "example.org:99999" << fallback;
}

void TestSoftwareUpdate::serverHostFromSettings()
{
    QFETCH(QString, setting);
    QFETCH(QString, url);
    m_configuration->setUpdateServerHost(setting);
    // As a restarted program reads it.
    Configuration reread(m_folder->filePath("config"));
    SoftwareUpdateManager manager(reread);
    if (!url.startsWith(QLatin1String("https://update.tessivar.app")))
        QCOMPARE(manager.latestVersionUrl().toString(), url);
    else {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Invalid update server host, using the default:"));
        QCOMPARE(manager.latestVersionUrl().toString(), url);
    }
}

QTEST_MAIN(TestSoftwareUpdate)
#include "tst_softwareupdate.moc"
