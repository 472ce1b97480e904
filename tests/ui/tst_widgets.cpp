#include "core/Configuration.h"
#include "ui/AboutWidget.h"
#include "ui/BottomBarWidget.h"
#include "ui/ColorPickerWidget.h"
#include "ui/SettingsWidget.h"
#include "ui/TopBarWidget.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tessivar;
using namespace tessivar::ui;

// The native widget classes, where their contract has a rule of its own.
class TestWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void topBarShowsThreeSegments_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("three") << "1.5.1"
                               << "1.5.1";
        QTest::newRow("two") << "2.0"
                             << "2.0.0";
        QTest::newRow("one") << "3"
                             << "3.0.0";
        QTest::newRow("four") << "1.2.3.4"
                              << "1.2.3";
        QTest::newRow("none") << ""
                              << "0.0.0";
    }

    void topBarShowsThreeSegments()
    {
        QFETCH(QString, version);
        QFETCH(QString, shown);
        TopBarWidget topBar;
        topBar.setVersion(QVersionNumber::fromString(version));
        QCOMPARE(topBar.property("versionText").toString(), shown);
    }

    void bottomBarOffersTheAnnouncedVersion()
    {
        BottomBarWidget bottomBar;
        QVERIFY(!bottomBar.updateAvailable());
        QSignalSpy changed(&bottomBar, &BottomBarWidget::updateAvailableChanged);
        bottomBar.setAvailableVersion(QVersionNumber(1, 6));
        QCOMPARE(changed.size(), 1);
        QVERIFY(bottomBar.updateAvailable());
        QCOMPARE(bottomBar.availableVersion(), QStringLiteral("1.6"));
    }

    void aboutNamesTheRunningQtAndTheLicence()
    {
        const AboutWidget about;
        QCOMPARE(about.getSoftwareVersion(), QStringLiteral("1.5.1"));
        QCOMPARE(about.getQtVersion(), QString::fromLatin1(qVersion()));
        QVERIFY(about.getLgplText().contains(QStringLiteral("GNU LESSER GENERAL PUBLIC LICENSE")));
    }

    void colorPickerReadsPixelsInsideOnly()
    {
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::white);
        image.setPixelColor(2, 1, QColor(10, 20, 30));
        const ColorPickerWidget picker;
        QCOMPARE(picker.getImagePixelColor(image, QPoint(2, 1)), QColor(10, 20, 30));
        QVERIFY(!picker.getImagePixelColor(image, QPoint(4, 0)).isValid());
        QVERIFY(!picker.getImagePixelColor(image, QPoint(-1, 2)).isValid());
    }

    void settingsResetWritesTheDefaultPort()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("config"));
        Configuration configuration(path);
        configuration.setPort(30000);
        SettingsWidget settings;
        settings.resetPort(); // no configuration yet: nothing happens
        QCOMPARE(Configuration(path).Port(), 30000);
        settings.setConfiguration(&configuration);
        settings.resetPort();
        QCOMPARE(Configuration(path).Port(), 20948);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
