#include "UiDriver.h"
#include "support/RunningApplication.h"

#include "app/TessivarServerApplication.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tessivar;
using tessivar::test::UiDriver;

namespace {

const QString kTextModule = QStringLiteral("com.tessivar.plugin.misc.text");
// Away from the default port and from the other tests' ports.
constexpr quint16 kPort = 20997;

} // namespace

// The real server and the real tessivar-client, under a real display: a Text block
// placed by clicks in the server's window shows in the client's window with its text;
// the display files come once; after the server restarts the client is back by itself.
class TestClientWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<UiDriver> m_ui;
    QTemporaryDir m_home;
    QProcess m_client;

    QString dataFolder() const { return m_home.filePath(QStringLiteral("data/Tessivar/tessivar-client")); }
    QString dumpFile() const { return m_home.filePath(QStringLiteral("texts.txt")); }

    QString clientLog() const
    {
        QString all;
        const QDir folder(dataFolder() + QStringLiteral("/log"));
        for (const QString& name : folder.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                all += QString::fromUtf8(file.readAll());
        }
        return all;
    }

    QString shownTexts() const
    {
        QFile file(dumpFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void startServer()
    {
        QVERIFY(m_server->start());
        m_ui = std::make_unique<UiDriver>(m_server->application().mainWindow());
        if (m_ui->waitUsable(QStringLiteral("button_TutorialSkip"), 2000))
            QVERIFY(m_ui->click(QStringLiteral("button_TutorialSkip")));
    }

    void startClient()
    {
        QFile::remove(dumpFile());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_client.setProcessEnvironment(environment);
        m_client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_client.setStandardOutputFile(QProcess::nullDevice());
        m_client.start(QStringLiteral(TESSIVAR_CLIENT),
                       {QStringLiteral("--address"), QStringLiteral("127.0.0.1:%1").arg(kPort),
                        QStringLiteral("--name"), QStringLiteral("Desk panel"), QStringLiteral("--reconnect-interval"),
                        QStringLiteral("100"), QStringLiteral("--dump-texts"), dumpFile()});
        QVERIFY(m_client.waitForStarted());
    }

    void stopClient()
    {
        ::kill(static_cast<pid_t>(m_client.processId()), SIGTERM);
        QVERIFY(m_client.waitForFinished(10000));
        QCOMPARE(m_client.exitCode(), 0);
    }

    QString clientId() const
    {
        return QSettings(dataFolder() + QStringLiteral("/client.ini"), QSettings::IniFormat)
            .value(QStringLiteral("Device/Id"))
            .toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_server = std::make_unique<test::RunningApplication>(kPort, test::RunningApplication::Window::Shown);
        QVERIFY(m_server->isValid());
        QVERIFY(m_server->installPlugin(QStringLiteral(TESSIVAR_MISC_PLUGIN), QStringLiteral("misc")));
        m_server->configuration().setUpdateServerHost(QStringLiteral("127.0.0.1:9"));
        m_server->options().helloInterval = std::chrono::milliseconds(200);
    }

    void cleanupTestCase()
    {
        if (m_client.state() == QProcess::Running)
            stopClient();
        m_ui.reset();
        m_server.reset();
    }

    void aTextBlockPlacedInTheServerShowsInTheClient()
    {
        startServer();
        startClient();
        QTRY_VERIFY_WITH_TIMEOUT(clientLog().contains(QStringLiteral("Registered with")), 20000);
        const QString id = clientId();
        QVERIFY(!id.isEmpty());
        // The name given on the command line, which Qt's own -name option must not swallow.
        const auto device = m_server->application().deviceManager().GetDevice(id);
        QVERIFY(device);
        QCOMPARE(device->GetName(), QStringLiteral("Desk panel"));
        QTRY_VERIFY_WITH_TIMEOUT(clientLog().contains(QStringLiteral("Display files received")), 20000);

        QVERIFY(m_ui->click(QStringLiteral("button_AddModule")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("widget_ModuleSelection")));
        QVERIFY(m_ui->click(QStringLiteral("module_") + kTextModule));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_ModuleEdition")));
        QVERIFY(m_ui->typeInto(QStringLiteral("textArea_Text"), QStringLiteral("on the wall"), false));
        QVERIFY(m_ui->click(QStringLiteral("deviceChoice_") + id));
        QVERIFY(m_ui->click(QStringLiteral("button_EditionAccept")));
        QTRY_VERIFY_WITH_TIMEOUT(shownTexts().contains(QStringLiteral("text_Text=on the wall")), 20000);
        QTRY_VERIFY(QDir(m_server->folder().filePath(QStringLiteral("modules")))
                        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                        .size()
                    == 1);
    }

    void aSecondStartNeedsNoTransfer()
    {
        stopClient();
        const qsizetype before = clientLog().size();
        startClient();
        QTRY_VERIFY_WITH_TIMEOUT(clientLog().mid(before).contains(QStringLiteral("Registered with")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(shownTexts().contains(QStringLiteral("text_Text=on the wall")), 20000);
        QVERIFY2(!clientLog().mid(before).contains(QStringLiteral("Requesting display files")),
                 qPrintable(clientLog().mid(before)));
    }

    void theClientComesBackAfterTheServerRestarts()
    {
        const qsizetype before = clientLog().size();
        m_ui.reset();
        m_server->stop();
        QTRY_VERIFY_WITH_TIMEOUT(clientLog().mid(before).contains(QStringLiteral("Reconnecting to")), 10000);
        startServer();
        QTRY_VERIFY_WITH_TIMEOUT(clientLog().mid(before).contains(QStringLiteral("Registered with")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(shownTexts().contains(QStringLiteral("text_Text=on the wall")), 10000);
        // The window ran without a QML warning and every widget loaded.
        QVERIFY2(!clientLog().contains(QStringLiteral("qrc:/client/")), qPrintable(clientLog()));
        QVERIFY2(!clientLog().contains(QStringLiteral("Cannot load the data widget")), qPrintable(clientLog()));
        // The block stayed on both sides.
        QCOMPARE(QDir(m_server->folder().filePath(QStringLiteral("modules")))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                     .size(),
                 1);
    }

    void theServersWindowDownloadsTheClientsLogs()
    {
        QQuickWindow* window = m_server->application().mainWindow();
        if (!m_ui->isShown(QStringLiteral("deviceRow_0")))
            QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("deviceRow_0")));
        QQuickItem* row = m_ui->find(QStringLiteral("deviceRow_0"));
        QTest::mouseMove(window, row->mapToScene(QPointF(row->width() / 2, 8)).toPoint());
        QVERIFY(m_ui->click(QStringLiteral("button_DownloadLogs")));
        // The server files them under the device's name as it knows it.
        const auto received = [this] {
            QDirIterator it(m_server->folder().filePath(QStringLiteral("log")), {QStringLiteral("log_*_client.txt")},
                            QDir::Files, QDirIterator::Subdirectories);
            return it.hasNext() ? it.next() : QString();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(!received().isEmpty(), qPrintable(clientLog().right(2000)), 20000);
        QFile log(received());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Registered with"));
    }
};

QTEST_MAIN(TestClientWindow)
#include "tst_clientwindow.moc"
