#include "core/Configuration.h"
#include "support/TestWorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using tessivar::Configuration;

// Launch at login as a Linux desktop expects it: an XDG autostart entry.
class TestAutostart : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;

    QString entryPath() const { return m_folder->filePath(QStringLiteral("xdg/autostart/tessivar.desktop")); }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        qputenv("XDG_CONFIG_HOME", m_folder->filePath(QStringLiteral("xdg")).toLocal8Bit());
    }

    void cleanup() { m_folder.reset(); }

    void enableTwiceLeavesOneEntry()
    {
        Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        QVERIFY(!configuration.isLaunchAtStartupEnabled());
        configuration.enableLaunchAtStartup(true);
        configuration.enableLaunchAtStartup(true);
        QVERIFY(configuration.isLaunchAtStartupEnabled());
        const QStringList entries = QDir(m_folder->filePath(QStringLiteral("xdg/autostart"))).entryList(QDir::Files);
        QCOMPARE(entries, QStringList{QStringLiteral("tessivar.desktop")});

        QFile entry(entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(entry.readAll());
        QVERIFY(content.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(content.contains(QStringLiteral("\nType=Application\n")));
        const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/tessivar-helper");
        QVERIFY2(content.contains(QStringLiteral("\nExec=\"%1\" run server --minimized\n").arg(helper)), qPrintable(content));
    }

    void disableRemovesAndIsIdempotent()
    {
        Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        configuration.enableLaunchAtStartup(false); // absent: nothing changes
        QVERIFY(!QFile::exists(entryPath()));
        configuration.enableLaunchAtStartup(true);
        configuration.enableLaunchAtStartup(false);
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(!configuration.isLaunchAtStartupEnabled());
    }

    // An entry written by an older installation elsewhere is pointed at this one.
    void checkingRewritesMovedInstallation()
    {
        QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("xdg/autostart"))));
        QFile entry(entryPath());
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=\"/old/place/tessivar-helper\" run server --minimized\n");
        entry.close();
        Configuration configuration(m_folder->filePath(QStringLiteral("config")));
        QVERIFY(configuration.isLaunchAtStartupEnabled());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(!entry.readAll().contains("/old/place/"));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
