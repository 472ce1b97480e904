#pragma once

#include <QDateTime>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <map>
#include <utility>

// One category per subsystem ("tessivar.<subsystem>"): debug lines follow the "LogDebug"
// setting through initLogging; QT_LOGGING_RULES can still pick out one subsystem.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcCommunication)
Q_DECLARE_LOGGING_CATEGORY(lcCore)
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
Q_DECLARE_LOGGING_CATEGORY(lcModules)
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)
Q_DECLARE_LOGGING_CATEGORY(lcTransfer)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)

// The process-wide message handler: every qDebug/qInfo/qWarning/qCritical/qFatal goes
// through it. With file logging on, it writes a daily file "log_<date>_<name>.txt" in
// the log directory and keeps the files of that directory under a size limit.
namespace tessivar {

// Above this many bytes over all log files, the oldest files are removed.
inline constexpr qint64 kLogSizeLimit = 20'000'000;
// One file holds about this much at most; the day goes on in its next part,
// "log_<date>_<name>_02.txt" and so on.
inline constexpr qint64 kLogFileSizeLimit = 4'000'000;
// Parts of one day: past them the day's further lines are dropped, with one line that
// says so, so that a flood cannot push the earlier days out of the folder.
inline constexpr int kLogPartsPerDay = 3;
// Files kept in the folder whatever their size (two programs, two months); the oldest go first.
inline constexpr int kMaxLogFiles = 120;

// The folder of the log files, ending in a slash: the one logging was started with
// (the data folder of an installed program), before that the working directory's "log/".
QString logDirectory();

// Installs the handler; opens the day's file at once when enabled.
void initLogging(bool enabled, const QString& name, const QString& directory);

// Installs the handler with the system's log (syslog) in place of files, for a program
// running as root, which has no folder of its own to write in. False where the system
// has no such log; the lines then go to standard error only.
bool initSystemLogging(const QString& name);

// Puts back the handler that initLogging replaced.
void restorePreviousHandler();

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Opens (appending) the file of the current day and prunes the directory.
void openLogFile();

// Removes the oldest files while the total is above the limit; the newest stays.
void pruneLogFiles();

// Absolute paths of the directory's "*.txt" files, by name.
QStringList logFiles();

// The clock behind dates and time stamps; tests replace it to cross midnight.
void setLogClock(std::function<QDateTime()> clock);

// Lines of one kind about one peer (a refused message, a chunk received): the first
// kLinesPerWindow of a minute are logged, the others counted, and the count is logged
// as "… and <n> more like it from <peer> in the last minute" when the next line of
// that kind and peer comes after the minute (or when the guard goes).
class LogFloodGuard
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    static constexpr int kLinesPerWindow = 10;
    static constexpr std::chrono::seconds kWindow{60};
    // Kinds and peers followed at once; beyond it the oldest are summarised and dropped.
    static constexpr std::size_t kMaxTracked = 1024;

    explicit LogFloodGuard(Clock clock = {});
    ~LogFloodGuard();
    LogFloodGuard(const LogFloodGuard&) = delete;
    LogFloodGuard& operator=(const LogFloodGuard&) = delete;

    // True when the line is to be logged now.
    bool Allow(const QString& kind, const QString& peer);

private:
    struct Window {
        TimePoint start;
        int lines = 0;
        qint64 suppressed = 0;
    };
    using Key = std::pair<QString, QString>;
    void summarise(const Key& key, const Window& window);

    Clock m_clock;
    std::map<Key, Window> m_windows;
};

} // namespace tessivar
