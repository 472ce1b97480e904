#include "core/ApplicationPaths.h"
#include "core/Logging.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using tessivar::ApplicationPaths;
using Layout = ApplicationPaths::Layout;

// Where the program keeps its files, beside itself or installed.
class TestApplicationPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsWhetherTheProgramsFolderTakesAFile()
    {
        QTemporaryDir writable;
        QCOMPARE(ApplicationPaths::layoutOf(writable.path()), Layout::BesideProgram);
        QVERIFY(QDir(writable.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        // A folder no file can be created in: one that is not there stands for a read-only one
        // (a root test runner writes everywhere else).
        QCOMPARE(ApplicationPaths::layoutOf(writable.filePath(QStringLiteral("missing"))), Layout::Installed);
    }

    void besideTheProgramEverythingFollowsTheWorkingFolder()
    {
        const ApplicationPaths paths(Layout::BesideProgram, QStringLiteral("/opt/tessivar"), QString(),
                                     ApplicationPaths::System::Linux);
        QTemporaryDir folder;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        const QString current = QDir::currentPath();
        QCOMPARE(paths.settingsFilePath(), current + QStringLiteral("/config"));
        QCOMPARE(paths.logDirectory(), current + QStringLiteral("/log/"));
        QCOMPARE(paths.moduleDirectory(), current + QStringLiteral("/modules/"));
        QCOMPARE(paths.pluginDirectory(), QStringLiteral("./plugins/"));
        QVERIFY(QDir::setCurrent(previous));
    }

    void installedUsesTheDataFolderAndThePackagesPlugins()
    {
        const QString data = QStringLiteral("/home/user/.local/share/Tessivar/Tessivar Remote Dashboard");
        const ApplicationPaths paths(Layout::Installed, QStringLiteral("/usr/bin"), data,
                                     ApplicationPaths::System::Linux);
        QCOMPARE(paths.settingsFilePath(), data + QStringLiteral("/config"));
        QCOMPARE(paths.logDirectory(), data + QStringLiteral("/log/"));
        QCOMPARE(paths.moduleDirectory(), data + QStringLiteral("/modules/"));
        QCOMPARE(paths.pluginDirectory(), QStringLiteral(TESSIVAR_EXPECTED_PLUGIN_DIR "/"));
    }

    // Installed under Program Files the folder takes no file: settings, logs and blocks
    // move to the user's data folder, the plugins stay the installer's, beside the program.
    void onWindowsPluginsAreAlwaysBesideTheProgram_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("installed") << Layout::Installed;
        QTest::newRow("beside the program") << Layout::BesideProgram;
    }
    void onWindowsPluginsAreAlwaysBesideTheProgram()
    {
        QFETCH(Layout, layout);
        const QString program = QStringLiteral("C:/Program Files/Tessivar");
        const QString data = QStringLiteral("C:/Users/Jos\u00e9/AppData/Roaming/Tessivar/Tessivar Remote Dashboard");
        const ApplicationPaths paths(layout, program, data, ApplicationPaths::System::Windows);
        QCOMPARE(paths.pluginDirectory(), program + QStringLiteral("/plugins/"));
        if (layout == Layout::Installed) {
            QCOMPARE(paths.settingsFilePath(), data + QStringLiteral("/config"));
            QCOMPARE(paths.logDirectory(), data + QStringLiteral("/log/"));
            QCOMPARE(paths.moduleDirectory(), data + QStringLiteral("/modules/"));
        } else {
            QCOMPARE(paths.settingsFilePath(), QDir::currentPath() + QStringLiteral("/config"));
        }
    }

    // Received device logs go into the server's log folder, wherever logging was started.
    void theLogFolderIsTheOneLoggingWrites()
    {
        QTemporaryDir folder;
        const QString directory = folder.path() + QStringLiteral("/data/log/");
        tessivar::initLogging(false, QStringLiteral("desktop"), directory);
        QCOMPARE(tessivar::logDirectory(), directory);
        tessivar::restorePreviousHandler();
    }
};

QTEST_GUILESS_MAIN(TestApplicationPaths)
#include "tst_applicationpaths.moc"
