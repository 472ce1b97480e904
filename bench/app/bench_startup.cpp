// Median time from launch to "---- Application ready ----" in the log, and memory then,
// for the server and for a bare Qt Quick window in the same run: resident, and owned (the
// pages only this process wrote, without the library code and data it maps from disk).
// Each start has a cache folder of its own in its working folder: a first start finds
// Qt's QML cache empty, as after an install or an upgrade (the cache is keyed on the
// program's time stamp); a later start finds what the first one left there.
// Memory is read 300 ms after ready, and again a second after ready, once the splash
// (hidden 500 ms after the window loaded) has gone.
// The bare window is shown, the server starts minimised: the bare window's owned memory
// holds the 3.7 MiB of its drawn window, the server's the splash only.
// Run inside scripts/in-private-network.sh: the server opens its sockets.
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <csignal>

namespace {

struct Sample {
    double milliseconds = -1;
    double residentMiB = -1;
    double ownedMiB = -1;
    double settledMiB = -1; // resident a second after ready: the splash has gone (500 ms)
};

// A "Name:   1234 kB" line of a /proc file, in MiB.
double procFigureMiB(const QString& path, const QByteArray& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double residentMiB(qint64 pid)
{
    return procFigureMiB(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
}

double ownedMiB(qint64 pid)
{
    return procFigureMiB(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Private_Dirty:");
}

using ReadyCheck = std::function<bool(QProcess&, const QString&)>;

Sample measureIn(const QTemporaryDir& folder, const QString& program, const QStringList& arguments,
                 const ReadyCheck& isReady)
{
    QProcess process;
    process.setWorkingDirectory(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder.filePath(QStringLiteral("cache")));
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    Sample sample;
    while (clock.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(1);
        if (isReady(process, folder.path())) {
            sample.milliseconds = clock.nsecsElapsed() / 1e6;
            QThread::msleep(300); // let the event loop settle before reading memory
            sample.residentMiB = residentMiB(process.processId());
            sample.ownedMiB = ownedMiB(process.processId());
            QThread::msleep(700);
            sample.settledMiB = residentMiB(process.processId());
            break;
        }
    }
    // A program that did not start has no id: kill(0) would end this whole process group.
    if (process.processId() > 0)
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    process.waitForFinished(10000);
    return sample;
}

// A first start in a fresh folder, or (laterStart) the start after one that ran in it:
// what a user sees every day, with the settings and folders already there.
Sample measure(const QString& program, const QStringList& arguments, const ReadyCheck& isReady, bool laterStart = false)
{
    QTemporaryDir folder;
    QSettings(folder.filePath(QStringLiteral("config")), QSettings::IniFormat)
        .setValue(QStringLiteral("common/LogDebug"), true);
    if (laterStart) {
        measureIn(folder, program, arguments, isReady);
        // The first run's log holds the ready line already.
        QDir(folder.filePath(QStringLiteral("log"))).removeRecursively();
    }
    return measureIn(folder, program, arguments, isReady);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 9;
    // Another build of the program (an older one, to compare) in place of this tree's.
    // Resolved here: each run starts in a folder of its own.
    const QString program = argc > 2 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath()
                                     : QStringLiteral(TESSIVAR_PROGRAM);
    if (!QFileInfo(program).isExecutable()) {
        QTextStream(stderr) << "not a program: " << program << "\n";
        return 1;
    }
    const QString logName
        = QStringLiteral("log/log_%1_desktop.txt").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));

    auto serverReady = [&](QProcess&, const QString& folder) {
        QFile log(folder + QLatin1Char('/') + logName);
        return log.open(QIODevice::ReadOnly) && log.readAll().contains("---- Application ready ----");
    };
    QByteArray baselineOutput;
    auto baselineReady = [&](QProcess& process, const QString&) {
        baselineOutput += process.readAllStandardOutput();
        return baselineOutput.contains("ready");
    };

    std::vector<double> serverTimes, serverMemory, serverOwned, baseTimes, baseMemory, baseOwned, laterTimes,
        laterMemory, serverSettled, baseSettled;
    for (int i = 0; i < runs; ++i) {
        baselineOutput.clear();
        const Sample base = measure(QStringLiteral(BASELINE_PROGRAM), {}, baselineReady);
        const Sample server = measure(program, {QStringLiteral("--minimized")}, serverReady);
        baseTimes.push_back(base.milliseconds);
        baseMemory.push_back(base.residentMiB);
        baseOwned.push_back(base.ownedMiB);
        serverTimes.push_back(server.milliseconds);
        serverMemory.push_back(server.residentMiB);
        serverOwned.push_back(server.ownedMiB);
        baseSettled.push_back(base.settledMiB);
        serverSettled.push_back(server.settledMiB);
        const Sample later = measure(program, {QStringLiteral("--minimized")}, serverReady, true);
        laterTimes.push_back(later.milliseconds);
        laterMemory.push_back(later.residentMiB);
        if (base.milliseconds < 0 || server.milliseconds < 0 || laterTimes.back() < 0) {
            QTextStream(stderr) << "a start did not report ready within 30 s\n";
            return 1;
        }
    }
    QTextStream out(stdout);
    out << "runs: " << runs << "\n";
    out << "bare Qt Quick window: median start " << median(baseTimes) << " ms, resident " << median(baseMemory)
        << " MiB, owned " << median(baseOwned) << " MiB\n";
    out << "tessivar:             median start " << median(serverTimes) << " ms, resident " << median(serverMemory)
        << " MiB, owned " << median(serverOwned) << " MiB\n";
    out << "ratio start " << median(serverTimes) / median(baseTimes) << ", ratio memory "
        << median(serverMemory) / median(baseMemory) << ", ratio owned memory "
        << median(serverOwned) / median(baseOwned) << "\n";
    out << "tessivar, later start: median start " << median(laterTimes) << " ms, ratio start "
        << median(laterTimes) / median(baseTimes) << ", resident " << median(laterMemory) << " MiB, ratio memory "
        << median(laterMemory) / median(baseMemory) << "\n";
    out << "settled, a second after ready: resident " << median(serverSettled) << " vs " << median(baseSettled)
        << " MiB, ratio memory " << median(serverSettled) / median(baseSettled) << "\n";
    return 0;
}
