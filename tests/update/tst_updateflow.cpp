#include "TestUpdateServer.h"
#include "app/TessivarServerApplication.h"
#include "app/UpdateFlow.h"
#include "support/TestWorkingFolder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QNetworkInterface>
#include <QQmlComponent>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTest>

using namespace tessivar;
using namespace tessivar::test;

namespace {

class Browser : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

// The update as the running application carries it out: checked once the window has
// loaded, announced in the tray, the download page opened from the message.
class TestUpdateFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void newerVersionAnnouncedInTray();
    void withoutNetworkOneQuietFailure();
    void publishedToQml();

private:
    std::unique_ptr<TessivarServerApplication> start(Configuration& configuration);

    QTemporaryDir m_certificateFolder;
    Credentials m_credentials;
    std::unique_ptr<TestWorkingFolder> m_folder;
    std::unique_ptr<Configuration> m_configuration;
    Browser m_browser;
};

void TestUpdateFlow::initTestCase()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("No TLS backend");
    m_credentials = makeCredentials(m_certificateFolder.path());
    QVERIFY(!m_credentials.certificate.isNull());
    trustCertificate(m_credentials.certificate);
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
}

void TestUpdateFlow::init()
{
    m_folder = std::make_unique<TestWorkingFolder>();
    QVERIFY(m_folder->isValid());
    m_configuration = std::make_unique<Configuration>(m_folder->filePath("config"));
    m_configuration->setPort(20975); // away from the default port other tests may hold
    m_browser.opened.clear();
}

void TestUpdateFlow::cleanup()
{
    m_configuration.reset();
    m_folder.reset();
}

std::unique_ptr<TessivarServerApplication> TestUpdateFlow::start(Configuration& configuration)
{
    TessivarServerApplication::Options options;
    options.splashHideDelayMs = 0;
    auto application = std::make_unique<TessivarServerApplication>(options, configuration);
    QSignalSpy ready(application.get(), &TessivarServerApplication::applicationReady);
    if (!application->isValid() || !ready.wait(20000))
        return nullptr;
    return application;
}

void TestUpdateFlow::newerVersionAnnouncedInTray()
{
    TestUpdateServer server(m_credentials);
    server.body = "1.6";
    QVERIFY(server.listen(QHostAddress::LocalHost));
    m_configuration->setUpdateServerHost(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    auto application = start(*m_configuration);
    QVERIFY(application);
    QSignalSpy available(&application->updateFlow().updateManager(), &update::SoftwareUpdateManager::updateAvailable);

    QTRY_COMPARE(available.size(), 1);
    QCOMPARE(server.paths, QStringList{"/version/latest"});
    QVERIFY(!application->updateFlow().updateManager().isChecking());

    // The user clicks the tray message.
    Q_EMIT application->trayIcon().messageClicked();
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().toString(), QStringLiteral("https://tessivar.app/index.html#download"));
    QVERIFY(!m_configuration->TrayMessageShown()); // the message was not the minimised one
}

void TestUpdateFlow::withoutNetworkOneQuietFailure()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    if (interfaces.size() != 1 || interfaces.first().type() != QNetworkInterface::Loopback)
        QSKIP("Asks the default update server: only in a network namespace with loopback only");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Software update request failed: "));
    auto application = start(*m_configuration);
    QVERIFY(application);
    update::SoftwareUpdateManager& manager = application->updateFlow().updateManager();
    QSignalSpy finished(&manager, &update::SoftwareUpdateManager::checkFinished);
    QSignalSpy available(&manager, &update::SoftwareUpdateManager::updateAvailable);
    QSignalSpy notes(application.get(), &TessivarServerApplication::releaseNotesRequested);

    QVERIFY(finished.wait(20000));
    QTest::qWait(1000);
    QCOMPARE(finished.size(), 1); // the next try is an hour away
    QVERIFY(!finished.first().first().toBool());
    QCOMPARE(available.size(), 0);
    QCOMPARE(notes.size(), 0);
    QVERIFY(manager.isChecking());
    QVERIFY(m_browser.opened.isEmpty());
}

void TestUpdateFlow::publishedToQml()
{
    m_configuration->setShowUpdateNotifications(false);
    auto application = start(*m_configuration);
    QVERIFY(application);
    QQmlComponent component(&application->engine());
    component.setData(R"(
        import QtQuick
        import com.tessivar.helpers 1.0
        Item {
            property var versions: []
            property int firstNotes: 0
            property bool interfaces: NetworkStatus.Interfaces !== null
            property bool firewall: NetworkStatus.Firewall !== null && NetworkStatus.Firewall.Tcp !== null
            property rect desktop: DesktopInformationProvider.virtualDesktopGeometry()
            property point mouse: DesktopInformationProvider.absoluteMousePosition()
            Repeater {
                model: Controller.ReleaseNotes
                delegate: Item {
                    Component.onCompleted: {
                        versions = versions.concat([Version]);
                        if (index === 0)
                            firstNotes = Notes.length;
                    }
                }
            }
        })",
                      QUrl());
    std::unique_ptr<QObject> page(component.create());
    QVERIFY2(page, qPrintable(component.errorString()));
    const QStringList versions = page->property("versions").toStringList();
    QVERIFY(versions.size() >= 2);
    QCOMPARE(versions.first(), QStringLiteral("1.5.1"));
    QVERIFY(page->property("firstNotes").toInt() > 1);
    QVERIFY(page->property("interfaces").toBool());
    QVERIFY(page->property("firewall").toBool());
    QCOMPARE(page->property("desktop").toRectF(), QRectF(QGuiApplication::primaryScreen()->availableVirtualGeometry()));
}

QTEST_MAIN(TestUpdateFlow)
#include "tst_updateflow.moc"
