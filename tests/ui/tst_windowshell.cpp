#include "UiDriver.h"
#include "support/RunningApplication.h"

#include "app/TessivarServerApplication.h"
#include "app/WindowParts.h"
#include "core/Configuration.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QNetworkInterface>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace tessivar;
using tessivar::test::UiDriver;

namespace {

// Away from the default port and from the other tests' ports.
constexpr quint16 kPort = 20976;

bool ip(const QString& arguments)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments.split(QLatin1Char(' ')));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

// The window's shell as a user meets it: the network page and the firewall popup that
// keep themselves current, the tray settings on a desktop with or without a tray, the
// window manager's close, and a name for every control.
class TestWindowShell : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RunningApplication> m_server;
    std::unique_ptr<UiDriver> m_ui;

    TessivarServerApplication& application() { return m_server->application(); }
    QQuickWindow* window() { return application().mainWindow(); }
    QObject* popup(const char* name)
    {
        QObject* found = window()->findChild<QObject*>(QLatin1String(name));
        return found ? found : m_ui->find(QLatin1String(name));
    }

    void startServer()
    {
        QVERIFY(m_server->start());
        m_ui = std::make_unique<UiDriver>(window());
        QVERIFY(m_ui->click(QStringLiteral("button_TutorialSkip")));
        QTRY_VERIFY(!m_ui->isShown(QStringLiteral("button_TutorialSkip")));
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<test::RunningApplication>(kPort, test::RunningApplication::Window::Shown);
        QVERIFY(m_server->isValid());
    }
    void cleanup()
    {
        m_ui.reset();
        m_server.reset();
        ip(QStringLiteral("link del tsh0"));
    }

    // The page lists the interfaces when it opens and follows their changes while shown.
    void networkPageListsAndFollowsInterfaces()
    {
        const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
        if (all.size() != 1 || all.first().type() != QNetworkInterface::Loopback)
            QSKIP("Needs a network namespace of its own with loopback only");
        QVERIFY(ip(QStringLiteral("link add tsh0 type veth peer name tsh1")));
        QVERIFY(ip(QStringLiteral("addr add 10.79.0.1/24 dev tsh0")));
        QVERIFY(ip(QStringLiteral("link set tsh0 up")));
        startServer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        m_ui->find(QStringLiteral("widget_NetworkStatus"))->setProperty("refreshIntervalMs", 50);
        const auto rows = [this] {
            return m_ui->text(QStringLiteral("text_NetworkInterface_0")) + QLatin1Char('\n')
                + m_ui->text(QStringLiteral("text_NetworkInterface_1"));
        };
        QTRY_VERIFY2(rows().contains(QStringLiteral("tsh0 · 10.79.0.1\n")) || rows().startsWith(QStringLiteral("tsh1")),
                     qPrintable(rows()));
        QTRY_VERIFY2(rows().contains(QStringLiteral("tsh0 · 10.79.0.1")), qPrintable(rows()));
        QVERIFY(rows().contains(QStringLiteral("tsh1 · no IP address · down")));
        QVERIFY(!m_ui->isShown(QStringLiteral("text_NoNetwork")));

        // Every address of an interface shows, IPv6 included.
        QVERIFY(ip(QStringLiteral("addr add 10.79.1.1/24 dev tsh0")));
        QVERIFY(ip(QStringLiteral("addr add fd00:79::1/64 dev tsh0 nodad")));
        QTRY_VERIFY2(rows().contains(QStringLiteral("10.79.0.1, 10.79.1.1, fd00:79::1")), qPrintable(rows()));
        QVERIFY(ip(QStringLiteral("link del tsh0")));
        QTRY_VERIFY(m_ui->isShown(QStringLiteral("text_NoNetwork")));
    }

    // ufw refuses its rules to a user who is not root: the page says the firewall could
    // not be checked and gives the command to open the port, which Copy puts on the
    // clipboard.
    void networkPageGivesCommandWhereRulesAreUnreadable()
    {
        QTemporaryDir firewall;
        QVERIFY(QDir().mkpath(firewall.filePath(QStringLiteral("ufw"))));
        QFile config(firewall.filePath(QStringLiteral("ufw.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write("ENABLED=yes\n") > 0);
        config.close();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray(STANDIN_DIR) + ':' + path);
        qputenv("TESSIVAR_TEST_FIREWALL_DIR", firewall.path().toLocal8Bit());
        qputenv("TESSIVAR_TEST_UID", "1000");
        m_server->options().firewallReadOptions.ufwConfigPath = config.fileName().toStdString();
        startServer();
        qputenv("PATH", path);
        qunsetenv("TESSIVAR_TEST_UID");
        if (QTest::currentTestFailed())
            return;

        QVERIFY(m_ui->click(QStringLiteral("button_NetworkStatus")));
        QTRY_COMPARE(m_ui->text(QStringLiteral("text_FirewallState")),
                     QStringLiteral("The firewall could not be checked: its rules can only be read with administrator "
                                    "rights."));
        const QString command = QStringLiteral("sudo ufw allow 20976/tcp && sudo ufw allow 20976/udp");
        QVERIFY(m_ui->isShown(QStringLiteral("text_FirewallOpenPortCommand")));
        QCOMPARE(m_ui->text(QStringLiteral("text_FirewallOpenPortCommand")), command);
        QCOMPARE(m_ui->find(QStringLiteral("text_FirewallOpenPortCommand"))->property("readOnly").toBool(), true);
        QVERIFY(m_ui->isShown(QStringLiteral("button_FirewallAddException")));
        QGuiApplication::clipboard()->clear();
        QVERIFY(m_ui->click(QStringLiteral("button_FirewallCopyCommand")));
        QCOMPARE(QGuiApplication::clipboard()->text(), command);
    }

    // Without a blocking firewall here, the popup finds the exception and closes itself.
    void firewallPopupClosesOnceAllowed()
    {
        startServer();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!popup("popup_FirewallInformation")); // built when first asked for
        Q_EMIT application().firewallInformationRequested();
        QObject* firewall = popup("popup_FirewallInformation");
        QVERIFY(firewall);
        firewall->setProperty("checkIntervalMs", 50);
        QVERIFY(m_ui->waitUsable(QStringLiteral("button_FirewallAdd")));
        // Named after the firewall this system has.
        QCOMPARE(m_ui->text(QStringLiteral("text_FirewallBlocking")),
                 QStringLiteral("The firewall seems to be blocking the application."));
        QTRY_VERIFY(!firewall->property("visible").toBool());
    }

    void trayChoicesFollowTheTray_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("with a tray") << true;
        QTest::newRow("without a tray") << false;
    }
    void trayChoicesFollowTheTray()
    {
        QFETCH(bool, tray);
        startServer();
        if (QTest::currentTestFailed())
            return;
        application().setSystemTrayAvailable(tray);
        m_server->configuration().setCloseToTray(true);
        m_server->configuration().setMinimizeToTray(true);
        QVERIFY(m_ui->click(QStringLiteral("button_Settings")));
        QVERIFY(m_ui->waitUsable(QStringLiteral("widget_Settings")));
        QCOMPARE(m_ui->find(QStringLiteral("switch_CloseToTray"))->isEnabled(), tray);
        QCOMPARE(m_ui->find(QStringLiteral("switch_MinimizeToTray"))->isEnabled(), tray);
        QCOMPARE(m_ui->find(QStringLiteral("switch_CloseToTray"))
                     ->property("hint")
                     .toString()
                     .contains(QStringLiteral("no system tray")),
                 !tray);

        // The minimise button hides to the tray only where there is one.
        QVERIFY(m_ui->click(QStringLiteral("button_Minimize")));
        QTRY_VERIFY(tray ? !window()->isVisible() : window()->windowState() == Qt::WindowMinimized);
        application().raiseMainWindow();
        window()->showNormal();
        QTRY_VERIFY(window()->isExposed());

        // The window manager's close goes the way of the close button: hidden to the
        // tray, or (without a tray) the program quits rather than the window just going.
        window()->close();
        if (tray) {
            QTRY_VERIFY(!window()->isVisible());
        } else {
            QTest::qWait(100);
            QVERIFY(window()->isVisible());
        }
    }

    // Every control of each page and popup carries a name that assistive technology reads.
    void everyControlIsNamed_data()
    {
        // A popup's opener is the window's name for it: the window builds it on demand.
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("area");
        QTest::newRow("top bar") << ""
                                 << "widget_TopBar";
        QTest::newRow("network") << "button_NetworkStatus"
                                 << "widget_NetworkStatus";
        QTest::newRow("plugins") << "button_PluginInformation"
                                 << "widget_PluginInformation";
        QTest::newRow("about") << "button_About"
                               << "widget_About";
        QTest::newRow("settings") << "button_Settings"
                                  << "widget_Settings";
        QTest::newRow("error") << "error"
                               << "popup:widget_Error";
        QTest::newRow("tutorial") << "tutorial"
                                  << "popup:popup_Tutorial";
        QTest::newRow("release notes") << "releaseNotes"
                                       << "popup:popup_ReleaseNotes";
        QTest::newRow("firewall") << "firewallInformation"
                                  << "popup:popup_FirewallInformation";
    }
    void everyControlIsNamed()
    {
        QFETCH(QString, opener);
        QFETCH(QString, area);
        startServer();
        if (QTest::currentTestFailed())
            return;
        QQuickItem* root = nullptr;
        if (area.startsWith(QLatin1String("popup:"))) {
            QObject* shown = buildWindowPart(window(), opener);
            QVERIFY(shown);
            QCOMPARE(shown, popup(area.mid(6).toLatin1().constData()));
            if (shown->property("checkIntervalMs").isValid())
                shown->setProperty("checkIntervalMs", 600000); // stays open while looked at
            if (shown->metaObject()->indexOfMethod("open()") >= 0)
                QMetaObject::invokeMethod(shown, "open");
            else
                shown->setProperty("visible", true);
            QTRY_VERIFY(shown->property("visible").toBool());
            root = qobject_cast<QQuickItem*>(shown);
            if (!root)
                root = shown->property("contentItem").value<QQuickItem*>();
        } else {
            if (!opener.isEmpty())
                QVERIFY(m_ui->click(opener));
            QVERIFY(m_ui->waitUsable(area));
            root = m_ui->find(area);
        }
        QVERIFY(root);
        QTest::qWait(50);
        const QStringList unnamed = test::unnamedControls(root);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
        if (area == QLatin1String("widget_TopBar")) {
            // The action bar sits beside the top bar in the window itself.
            QStringList actionBar;
            for (const char* name : {"button_AddModule", "button_NetworkStatus", "button_PluginInformation",
                                     "button_About", "button_Settings"})
                actionBar += test::unnamedControls(m_ui->find(QLatin1String(name)));
            QVERIFY2(actionBar.isEmpty(), qPrintable(actionBar.join(QLatin1String(", "))));
        }
    }
};

QTEST_MAIN(TestWindowShell)
#include "tst_windowshell.moc"
