#include "app/ApplicationFonts.h"
#include "app/ErrorHandler.h"
#include "app/TessivarServerApplication.h"
#include "communication/CommunicationHandler.h"
#include "support/TestWorkingFolder.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QPointer>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using tessivar::Configuration;
using tessivar::TessivarServerApplication;

// The application object started offscreen in a temporary working folder.
class TestApplication : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;

    QString configPath() const { return m_folder->filePath(QStringLiteral("config")); }

    std::unique_ptr<TessivarServerApplication> start(Configuration& configuration, bool minimized = false)
    {
        TessivarServerApplication::Options options;
        options.minimized = minimized;
        options.splashHideDelayMs = 0;
        // Away from the default port, which other tests of the suite may hold meanwhile.
        configuration.setPort(20974);
        auto application = std::make_unique<TessivarServerApplication>(options, configuration);
        if (!application->isValid())
            return nullptr;
        QSignalSpy ready(application.get(), &TessivarServerApplication::applicationReady);
        if (!ready.wait(20000))
            return nullptr;
        return application;
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
    }

    void cleanup() { m_folder.reset(); }

    void firstStartThenLaterStart()
    {
        QString firstId;
        {
            Configuration configuration(configPath());
            auto application = start(configuration);
            QVERIFY(application);
            QSettings file(configPath(), QSettings::IniFormat);
            firstId = file.value(QStringLiteral("common/DeviceId")).toString();
            QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(firstId).hasMatch());
            QCOMPARE(file.value(QStringLiteral("common/FirstLaunch")).toBool(), false);
            QCOMPARE(file.value(QStringLiteral("common/SoftwareVersion")).value<QVersionNumber>(),
                     QVersionNumber(1, 5, 1));
            const QVariantMap versions = file.value(QStringLiteral("ParameterVersions")).toMap();
            for (const char* key : {"common/DeviceId", "common/FirstLaunch", "common/SoftwareVersion"})
                QCOMPARE(versions.value(QLatin1String(key)).value<QVersionNumber>(), QVersionNumber(1, 5, 1));
            QCOMPARE(application->deviceManager().GetCurrentDevice().GetId(), firstId);
        }
        Configuration configuration(configPath());
        auto application = start(configuration);
        QVERIFY(application);
        QCOMPARE(configuration.DeviceId(), firstId);
        QCOMPARE(application->deviceManager().GetCurrentDevice().GetId(), firstId);
    }

    // A first start killed after it stored its identifier, before it was over: the next
    // start is a first start again, and keeps that identifier.
    void cutShortFirstStartKeepsItsIdentity()
    {
        const QString stored = QStringLiteral("0123456789abcdef0123456789abcdef");
        {
            QSettings file(configPath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("common/DeviceId"), stored);
        }
        Configuration configuration(configPath());
        QVERIFY(configuration.FirstLaunch());
        auto application = start(configuration);
        QVERIFY(application);
        QCOMPARE(application->deviceManager().GetCurrentDevice().GetId(), stored);
        QCOMPARE(QSettings(configPath(), QSettings::IniFormat).value(QStringLiteral("common/DeviceId")).toString(),
                 stored);
        QVERIFY(!configuration.FirstLaunch());
    }

    void upgradeRequestsReleaseNotes_data()
    {
        QTest::addColumn<QVersionNumber>("stored");
        QTest::addColumn<bool>("requested");
        QTest::newRow("older") << QVersionNumber(1, 4, 0) << true;
        QTest::newRow("newer") << QVersionNumber(2, 0) << true;
        QTest::newRow("same") << QVersionNumber(1, 5, 1) << false;
    }

    void upgradeRequestsReleaseNotes()
    {
        QFETCH(QVersionNumber, stored);
        QFETCH(bool, requested);
        Configuration configuration(configPath());
        configuration.setFirstLaunch(false);
        configuration.setSoftwareVersion(stored);
        TessivarServerApplication::Options options;
        options.splashHideDelayMs = 0;
        TessivarServerApplication application(options, configuration);
        QSignalSpy notes(&application, &TessivarServerApplication::releaseNotesRequested);
        QSignalSpy ready(&application, &TessivarServerApplication::applicationReady);
        QVERIFY(ready.wait(20000));
        QCOMPARE(notes.count(), requested ? 1 : 0);
        QCOMPARE(configuration.SoftwareVersion(), QVersionNumber(1, 5, 1));
    }

    void windowsAndTray()
    {
        Configuration configuration(configPath());
        auto application = start(configuration);
        QVERIFY(application);
        QQuickWindow* main = application->mainWindow();
        QVERIFY(main);
        QVERIFY(main->isVisible());
        QVERIFY(main->minimumWidth() >= 900 && main->minimumHeight() >= 600);
        QVERIFY(main->flags() & Qt::FramelessWindowHint);
        // The splash is hidden, then released: it never shows again in a run.
        QPointer<QQuickWindow> splash = application->splashWindow();
        QVERIFY(splash);
        QTRY_VERIFY(splash.isNull());

        QStringList entries;
        for (QAction* action : application->trayMenu()->actions())
            entries.append(action->text());
        QCOMPARE(entries, (QStringList{QStringLiteral("Show"), QStringLiteral("Exit")}));

        // The error popup of the main window shows what is reported.
        // It is built with the first error, not with the window.
        QVERIFY(application->errorHandler());
        QVERIFY(!main->findChild<tessivar::ui::ErrorWidget*>());
        application->errorHandler()->report(tessivar::ErrorHandler::NetworkError, nullptr,
                                            QStringLiteral("Port 1 is already in use"));
        auto* errorWidget = main->findChild<tessivar::ui::ErrorWidget*>();
        QVERIFY(errorWidget);
        QVERIFY(errorWidget->isVisible());
        auto* title = errorWidget->findChild<QObject*>(QStringLiteral("text_ErrorTitle"));
        QVERIFY(title);
        QCOMPARE(title->property("text").toString(), QStringLiteral("Network error"));
        errorWidget->closeWindow();
        QVERIFY(!errorWidget->isVisible());

        // Close to tray hides instead of quitting, where the desktop has a tray.
        application->setSystemTrayAvailable(true);
        configuration.setCloseToTray(true);
        application->closeWindow();
        QVERIFY(!main->isVisible());
        application->handleTrayIconActivated(QSystemTrayIcon::Context);
        QVERIFY(!main->isVisible());
        application->handleTrayIconActivated(QSystemTrayIcon::Trigger);
        QVERIFY(main->isVisible());
    }

    void minimizedStartKeepsWindowHidden()
    {
        Configuration configuration(configPath());
        auto application = start(configuration, true);
        QVERIFY(application);
        QVERIFY(application->mainWindow());
        QVERIFY(!application->mainWindow()->isVisible());
        application->trayMenu()->actions().first()->trigger(); // "Show"
        QVERIFY(application->mainWindow()->isVisible());
    }

    void unusablePortFallsBackToTheDefault_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("too large") << QStringLiteral("70000");
        QTest::newRow("negative") << QStringLiteral("-1");
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("not a number") << QStringLiteral("port");
    }

    void unusablePortFallsBackToTheDefault()
    {
        QFETCH(QString, stored);
        {
            QSettings file(configPath(), QSettings::IniFormat);
            file.setValue(QStringLiteral("common/Port"), stored);
        }
        Configuration configuration(configPath());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Invalid port in the settings:")));
        TessivarServerApplication::Options options;
        TessivarServerApplication application(options, configuration);
        auto* handler
            = dynamic_cast<tessivar::communication::CommunicationHandler*>(application.communicationHandler());
        QVERIFY(handler);
        QCOMPARE(handler->GetPort(), quint16(20948));
    }

    // The five weights come from the program's resources and are usable for text.
    void applicationFontsAreRegistered()
    {
        tessivar::ApplicationFonts fonts;
        fonts.waitUntilRegistered();
        QCOMPARE(QGuiApplication::font().family(), QStringLiteral("Roboto-Thin"));
        // ...and the text drawn in it is Roboto's thin face, not a fallback.
        const QFontInfo applicationFont(QGuiApplication::font());
        QVERIFY2(applicationFont.family().startsWith(QLatin1String("Roboto")), qPrintable(applicationFont.family()));
        QCOMPARE(applicationFont.styleName(), QStringLiteral("Thin"));
        const QStringList styles = QFontDatabase::styles(QStringLiteral("Roboto"));
        for (const char* style : {"Bold", "Light", "Medium", "Regular", "Thin"})
            QVERIFY2(styles.contains(QLatin1String(style)), style);
        QFont bold(QStringLiteral("Roboto"), 12, QFont::Bold);
        QCOMPARE(QFontInfo(bold).family(), QStringLiteral("Roboto"));
        QCOMPARE(QFontInfo(bold).weight(), int(QFont::Bold));
        QVERIFY(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Tessivar")) > 0);
    }

    void exitEndsTheEventLoop()
    {
        Configuration configuration(configPath());
        auto application = start(configuration);
        QVERIFY(application);
        QTimer::singleShot(0, application.get(), [&] { application->handleTrayExitClicked(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!application->mainWindow()->isVisible());
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
