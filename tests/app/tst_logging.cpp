#include "core/Logging.h"
#include "support/TestWorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTest>

using namespace tessivar;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeSized(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.resize(size));
}

// The other handler: it sees every message that is not debug.
QStringList g_passedOn;
void recordingHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    g_passedOn.append(QStringLiteral("%1:%2").arg(int(type)).arg(message));
}

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestWorkingFolder> m_folder;
    QDateTime m_now;

    QString dir() const { return m_folder->filePath(QStringLiteral("log/")); }

    void install(bool enabled)
    {
        restorePreviousHandler();
        qInstallMessageHandler(recordingHandler);
        g_passedOn.clear();
        initLogging(enabled, QStringLiteral("desktop"), dir());
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<test::TestWorkingFolder>();
        m_now = QDateTime(QDate(2021, 3, 4), QTime(17, 5, 9, 123));
        setLogClock([this] { return m_now; });
    }

    void cleanup()
    {
        // Detach from the folder before it disappears.
        initLogging(false, QString(), QDir::tempPath());
        restorePreviousHandler();
        m_folder.reset();
    }

    void fileNameBannerAndLineFormat()
    {
        install(true);
        qWarning("something odd");
        const QByteArray content = readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"));
        const QByteArray rule(44, '=');
        QVERIFY(content.startsWith("\n" + rule + "\n===== Starting log 2021-03-04-17:05:09 =====\n" + rule));
        QVERIFY(content.contains("\nInfo - 03.04-17:05:09.123: Log dir created"));
        QVERIFY(content.contains("\nInfo - 03.04-17:05:09.123: Log file opened log_2021-03-04_desktop.txt"));
        QVERIFY(content.endsWith("\nWarning - 03.04-17:05:09.123: something odd"));
        // Directory message comes right after the banner, then the file message.
        QVERIFY(content.indexOf("Log dir created") < content.indexOf("Log file opened"));
    }

    void restartOnSameDayAppends()
    {
        install(true);
        qInfo("first run");
        install(true);
        qInfo("second run");
        const QByteArray content = readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"));
        QCOMPARE(content.count("===== Starting log"), 2);
        QVERIFY(content.indexOf("first run") < content.indexOf("second run"));
    }

    void debugMessagesStayInTheFile()
    {
        install(true);
        qDebug("only for the file");
        qInfo("for both");
        QVERIFY(readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"))
                    .contains("Debug - 03.04-17:05:09.123: only for the file"));
        QVERIFY(!g_passedOn.join('\n').contains(QStringLiteral("only for the file")));
        QVERIFY(g_passedOn.contains(QStringLiteral("%1:for both").arg(int(QtInfoMsg))));
    }

    void disabledWritesNothing()
    {
        install(false);
        qDebug("hidden");
        qWarning("shown");
        QVERIFY(!QDir(dir()).exists());
        QVERIFY(!g_passedOn.join('\n').contains(QStringLiteral("hidden")));
        QVERIFY(g_passedOn.join('\n').contains(QStringLiteral("shown")));
    }

    // Each subsystem's debug lines follow the setting, also when rules set later would
    // turn every debug line on.
    void subsystemDebugLinesFollowTheSetting_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("laterRules");
        QTest::newRow("on") << true << false;
        QTest::newRow("off") << false << false;
        QTest::newRow("off, rules set later") << false << true;
    }

    void subsystemDebugLinesFollowTheSetting()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, laterRules);
        install(enabled);
        if (laterRules)
            QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
        // Off, a debug line is not even formatted.
        QCOMPARE(lcModules().isDebugEnabled(), enabled);
        QCOMPARE(lcTransfer().isDebugEnabled(), enabled);
        qCDebug(lcModules) << "a block's debug line";
        qCDebug(lcCommunication) << "a message's debug line";
        qCInfo(lcModules) << "a block's info line";
        QLoggingCategory::setFilterRules(QString());
        const QByteArray content = readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"));
        QCOMPARE(content.contains("a block's debug line"), enabled);
        QCOMPARE(content.contains("a message's debug line"), enabled);
        QCOMPARE(g_passedOn.join('\n').contains(QStringLiteral("a block's info line")), true);
    }

    void changeOfDaySwitchesFile()
    {
        install(true);
        qInfo("before midnight");
        m_now = QDateTime(QDate(2021, 3, 5), QTime(0, 0, 0, 1));
        qInfo("after midnight");
        const QByteArray first = readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"));
        const QByteArray second = readFile(dir() + QStringLiteral("log_2021-03-05_desktop.txt"));
        QVERIFY(first.contains("before midnight"));
        QVERIFY(!first.contains("after midnight"));
        QVERIFY(second.startsWith("\n" + QByteArray(44, '=') + "\n===== Starting log 2021-03-05-00:00:00 ====="));
        QVERIFY(second.contains("Log file opened log_2021-03-05_desktop.txt"));
        QVERIFY(second.endsWith("Info - 03.05-00:00:00.001: after midnight"));
        QCOMPARE(logFiles().size(), 2);
    }

    void restoredHandlerNoLongerWrites()
    {
        install(true);
        restorePreviousHandler();
        qWarning("after restore");
        QVERIFY(!readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt")).contains("after restore"));
        QVERIFY(g_passedOn.join('\n').contains(QStringLiteral("after restore")));
    }

    void pruning_data()
    {
        QTest::addColumn<QList<qint64>>("sizes"); // oldest first
        QTest::addColumn<int>("remaining");
        QTest::newRow("exactly at the limit") << QList<qint64>{5'000'000, 5'000'000, 5'000'000, 5'000'000} << 4;
        QTest::newRow("one byte above") << QList<qint64>{5'000'001, 5'000'000, 5'000'000, 5'000'000} << 3;
        QTest::newRow("25 MB over five days")
            << QList<qint64>{5'000'000, 5'000'000, 5'000'000, 5'000'000, 5'000'000} << 4;
        QTest::newRow("one huge file stays") << QList<qint64>{30'000'000} << 1;
        QTest::newRow("huge newest file stays alone") << QList<qint64>{1'000, 2'000, 30'000'000} << 1;
        QTest::newRow("more files than kept, each small") << QList<qint64>(kMaxLogFiles + 5, 10) << kMaxLogFiles;
    }

    void pruning()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(int, remaining);
        install(false);
        QVERIFY(QDir().mkpath(dir()));
        QStringList names;
        for (int day = 0; day < sizes.size(); ++day) {
            names.append(QStringLiteral("log_2020-01-%1_desktop.txt").arg(day + 10, 3, 10, QLatin1Char('0')));
            writeSized(dir() + names.last(), sizes.at(day));
        }
        writeSized(dir() + QStringLiteral("notes.md"), 50'000'000); // not a log file
        pruneLogFiles();
        const QStringList left = QDir(dir()).entryList({QStringLiteral("log_*.txt")}, QDir::Files, QDir::Name);
        QCOMPARE(left, names.mid(names.size() - remaining));
        QVERIFY(QFile::exists(dir() + QStringLiteral("notes.md")));
    }

    // A full file goes on in the day's next part; past the last part the day's lines are
    // dropped with one line saying so, and the next day starts afresh.
    void fullFilesRollOverAndTheDayIsCapped()
    {
        QVERIFY(QDir().mkpath(dir()));
        writeSized(dir() + QStringLiteral("log_2021-03-04_desktop.txt"), kLogFileSizeLimit);
        install(true);
        qInfo("into the second part");
        const QString second = dir() + QStringLiteral("log_2021-03-04_desktop_02.txt");
        QVERIFY(readFile(second).endsWith("into the second part"));
        for (int part = 2; part <= kLogPartsPerDay; ++part) {
            writeSized(dir() + QStringLiteral("log_2021-03-04_desktop_%1.txt").arg(part, 2, 10, QLatin1Char('0')),
                       kLogFileSizeLimit);
            qInfo("next line");
        }
        const QString last
            = dir() + QStringLiteral("log_2021-03-04_desktop_%1.txt").arg(kLogPartsPerDay, 2, 10, QLatin1Char('0'));
        QVERIFY(readFile(last).contains("Log size limit of the day reached"));
        qWarning("beyond the cap");
        qWarning("beyond the cap too");
        QVERIFY(!readFile(last).contains("beyond the cap"));
        QVERIFY(!QFile::exists(
            dir() + QStringLiteral("log_2021-03-04_desktop_%1.txt").arg(kLogPartsPerDay + 1, 2, 10, QLatin1Char('0'))));
        QVERIFY(g_passedOn.contains(QStringLiteral("%1:beyond the cap").arg(int(QtWarningMsg))));

        m_now = QDateTime(QDate(2021, 3, 5), QTime(0, 0, 1));
        qInfo("a new day");
        QVERIFY(readFile(dir() + QStringLiteral("log_2021-03-05_desktop.txt")).endsWith("a new day"));
    }

    // Lines of one kind about one peer: ten a minute, the rest summed up once the minute is over.
    void floodOfOneKindIsSummarised()
    {
        install(true);
        auto now = std::chrono::steady_clock::time_point{};
        {
            LogFloodGuard guard([&now] { return now; });
            int allowed = 0;
            for (int i = 0; i < 9422; ++i)
                allowed += guard.Allow(QStringLiteral("refused"), QStringLiteral("phone"));
            QCOMPARE(allowed, LogFloodGuard::kLinesPerWindow);
            QVERIFY(guard.Allow(QStringLiteral("refused"), QStringLiteral("tablet")));
            QVERIFY(guard.Allow(QStringLiteral("other kind"), QStringLiteral("phone")));
            now += LogFloodGuard::kWindow;
            QVERIFY(guard.Allow(QStringLiteral("refused"), QStringLiteral("phone")));
        }
        const QByteArray content = readFile(dir() + QStringLiteral("log_2021-03-04_desktop.txt"));
        QCOMPARE(content.count("more like it"), 1);
        QVERIFY(
            content.contains(QStringLiteral("\u2026 and 9412 more like it from phone in the last minute").toUtf8()));
    }

    void fatalIsWrittenBeforeAbort()
    {
        QProcess child;
        child.setWorkingDirectory(m_folder->path());
        child.start(QStringLiteral(LOGGING_FATAL_CHILD), {});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QStringList files
            = QDir(m_folder->filePath(QStringLiteral("log"))).entryList({QStringLiteral("*_child.txt")});
        QCOMPARE(files.size(), 1);
        const QByteArray content = readFile(m_folder->filePath(QStringLiteral("log/")) + files.first());
        QVERIFY(content.contains(": before the end"));
        QVERIFY(content.contains("\nFatal - "));
        QVERIFY(content.endsWith(": the end"));
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
