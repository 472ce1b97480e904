#include "core/Logging.h"

#include "platform/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRecursiveMutex>
#include <QTextStream>

#include <atomic>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcApp, "tessivar.app")
Q_LOGGING_CATEGORY(lcCommunication, "tessivar.communication")
Q_LOGGING_CATEGORY(lcCore, "tessivar.core")
Q_LOGGING_CATEGORY(lcDevice, "tessivar.device")
Q_LOGGING_CATEGORY(lcModules, "tessivar.modules")
Q_LOGGING_CATEGORY(lcNetwork, "tessivar.network")
Q_LOGGING_CATEGORY(lcTransfer, "tessivar.transfer")
Q_LOGGING_CATEGORY(lcUi, "tessivar.ui")
Q_LOGGING_CATEGORY(lcUpdate, "tessivar.update")

namespace tessivar {

namespace {

const QString kFileNamePattern = QStringLiteral("log_%1.txt");

struct LogState {
    bool enabled = false;
    bool systemLog = false; // lines go to the system's log, not to files
    QString directory;
    QString name;
    QString fileName;
    QDate fileDate;
    int part = 1;
    bool dayFull = false; // the last part of the day is full: lines are dropped
    QFile file;
    QTextStream stream;
    QtMessageHandler previousHandler = nullptr;
    // Re-entrant: opening the next day's file logs through the handler that holds it.
    QRecursiveMutex lock;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

LogState& state()
{
    static LogState logState;
    return logState;
}

QString levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug");
    case QtInfoMsg:
        return QStringLiteral("Info");
    case QtWarningMsg:
        return QStringLiteral("Warning");
    case QtCriticalMsg:
        return QStringLiteral("Critical");
    case QtFatalMsg:
        return QStringLiteral("Fatal");
    }
    return QString();
}

platform::SystemLogLevel systemLevel(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return platform::SystemLogLevel::Debug;
    case QtInfoMsg:
        return platform::SystemLogLevel::Info;
    case QtWarningMsg:
        return platform::SystemLogLevel::Warning;
    case QtCriticalMsg:
    case QtFatalMsg:
        break;
    }
    return platform::SystemLogLevel::Error;
}

QString bannerText(const QDateTime& now)
{
    const QString rule(44, QLatin1Char('='));
    return QStringLiteral("\n%1\n===== Starting log %2 =====\n%1")
        .arg(rule, now.toString(QStringLiteral("yyyy-MM-dd-hh:mm:ss")));
}

// Creates the directory if needed; returns the message to log once the file is open,
// so that it lands in the new file after the banner.
QString ensureDirectory(const QString& directory)
{
    QDir dir(directory);
    if (dir.exists())
        return QString();
    if (QDir().mkdir(directory))
        return QStringLiteral("Log dir created ") + directory;
    return QStringLiteral("Log dir NOT created ") + directory;
}

QString partFileName(const LogState& s, int part)
{
    QString variable = s.fileDate.toString(QStringLiteral("yyyy-MM-dd"));
    if (!s.name.isEmpty())
        variable += QLatin1Char('_') + s.name;
    if (part > 1)
        variable += QStringLiteral("_%1").arg(part, 2, 10, QLatin1Char('0'));
    return kFileNamePattern.arg(variable);
}

void writeInfo(LogState& s, const QString& message);

// Opens the current part of the day (appending) and writes the banner.
bool openPart(LogState& s, const QDateTime& now)
{
    s.fileName = partFileName(s, s.part);
    if (s.file.isOpen()) {
        s.stream.flush();
        s.file.close();
    }
    s.file.setFileName(s.directory + s.fileName);
    if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        s.stream.setDevice(nullptr);
        return false;
    }
    s.stream.setDevice(&s.file);
    s.stream << bannerText(now);
    s.stream.flush();
    return true;
}

// A full file: the day goes on in its next part, or, past the last one, stops.
void rollOverIfFull(LogState& s)
{
    if (s.dayFull || !s.file.isOpen() || s.file.size() < kLogFileSizeLimit)
        return;
    if (s.part >= kLogPartsPerDay) {
        s.dayFull = true;
        s.stream << QStringLiteral("\nInfo - %1: Log size limit of the day reached; further lines are dropped until "
                                   "the next day")
                        .arg(s.clock().toString(QStringLiteral("MM.dd-hh:mm:ss.zzz")));
        s.stream.flush();
        return;
    }
    ++s.part;
    openPart(s, s.clock());
}

// Writes one entry and passes it on. Also used for the logging code's own messages:
// Qt does not re-enter a message handler on the same thread (it prints those to
// stderr instead), so the handler's own file switch writes its lines directly.
void writeEntry(LogState& s, QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (s.enabled)
        rollOverIfFull(s);
    if (s.enabled && s.stream.device() && !s.dayFull) {
        s.stream << QStringLiteral("\n%1 - %2: %3")
                        .arg(levelName(type), s.clock().toString(QStringLiteral("MM.dd-hh:mm:ss.zzz")), message);
        s.stream.flush();
    }
    if (s.systemLog)
        platform::writeSystemLog(systemLevel(type), message.toStdString());
    if (s.previousHandler && type != QtDebugMsg)
        s.previousHandler(type, context, message);
}

void writeInfo(LogState& s, const QString& message)
{
    writeEntry(s, QtInfoMsg, QMessageLogContext(), message);
}

// Debug lines go only where they are kept: a line built for nothing still costs its
// formatting, which per message adds up. A filter rather than rules, so that rules set
// later (QT_LOGGING_RULES, a program's own) cannot turn them back on.
std::atomic<bool> g_debugLines{true};
QLoggingCategory::CategoryFilter g_rulesFilter = nullptr;

void categoryFilter(QLoggingCategory* category)
{
    if (g_rulesFilter)
        g_rulesFilter(category);
    const bool ours
        = qstrcmp(category->categoryName(), "default") == 0 || qstrncmp(category->categoryName(), "tessivar.", 9) == 0;
    if (ours && !g_debugLines)
        category->setEnabled(QtDebugMsg, false);
}

void enableDebugLines(bool enabled)
{
    g_debugLines = enabled;
    // Installing the filter applies it to every category there is.
    const QLoggingCategory::CategoryFilter previous = QLoggingCategory::installFilter(categoryFilter);
    if (previous != categoryFilter)
        g_rulesFilter = previous;
}

} // namespace

QString logDirectory()
{
    LogState& s = state();
    QMutexLocker locker(&s.lock);
    return s.directory.isEmpty() ? QDir::currentPath() + QStringLiteral("/log/") : s.directory;
}

void setLogClock(std::function<QDateTime()> clock)
{
    QMutexLocker locker(&state().lock);
    state().clock = std::move(clock);
}

void initLogging(bool enabled, const QString& name, const QString& directory)
{
    LogState& s = state();
    {
        QMutexLocker locker(&s.lock);
        s.enabled = enabled;
        s.name = name;
        s.directory = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    }
    QtMessageHandler replaced = qInstallMessageHandler(logMessageHandler);
    if (replaced != logMessageHandler)
        s.previousHandler = replaced;
    // Debug lines only ever go to the log file; without one they are dropped anyway, so
    // code that builds costly debug output can skip it.
    enableDebugLines(enabled);
    if (enabled)
        openLogFile();
}

bool initSystemLogging(const QString& name)
{
    LogState& s = state();
    {
        QMutexLocker locker(&s.lock);
        s.enabled = false;
        s.systemLog = platform::openSystemLog(name.toStdString());
        s.name = name;
    }
    QtMessageHandler replaced = qInstallMessageHandler(logMessageHandler);
    if (replaced != logMessageHandler)
        s.previousHandler = replaced;
    enableDebugLines(s.systemLog);
    return s.systemLog;
}

void restorePreviousHandler()
{
    LogState& s = state();
    QMutexLocker locker(&s.lock);
    if (!s.previousHandler)
        return;
    qInstallMessageHandler(s.previousHandler);
    s.previousHandler = nullptr;
}

void openLogFile()
{
    LogState& s = state();
    QString directoryMessage;
    {
        QMutexLocker locker(&s.lock);
        const QDateTime now = s.clock();
        s.fileDate = now.date();
        // A restart on the same day goes on in the day's last part that has room.
        s.part = 1;
        while (s.part < kLogPartsPerDay && QFileInfo(s.directory + partFileName(s, s.part)).size() >= kLogFileSizeLimit)
            ++s.part;
        s.dayFull = false;
        directoryMessage = ensureDirectory(s.directory);
        openPart(s, now);
        if (!directoryMessage.isEmpty())
            writeInfo(s, directoryMessage);
        if (s.file.isOpen())
            writeInfo(s, QStringLiteral("Log file opened ") + s.fileName);
        else
            writeInfo(s, QStringLiteral("Log file %1 not opened").arg(s.fileName));
        pruneLogFiles();
    }
}

void pruneLogFiles()
{
    LogState& s = state();
    QMutexLocker locker(&s.lock);
    QDir dir(s.directory);
    QFileInfoList files
        = dir.entryInfoList({kFileNamePattern.arg(QLatin1Char('*'))}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    qint64 total = 0;
    for (const QFileInfo& info : files)
        total += info.size();
    while (files.size() > 1 && (total > kLogSizeLimit || files.size() > kMaxLogFiles)) {
        const QFileInfo oldest = files.takeFirst();
        writeInfo(s, QStringLiteral("Log data limit reached. Removing ") + oldest.absoluteFilePath());
        total -= oldest.size();
        writeInfo(
            s, QFile::remove(oldest.absoluteFilePath()) ? QStringLiteral("Removed.") : QStringLiteral("Not removed"));
    }
}

QStringList logFiles()
{
    LogState& s = state();
    QString directory;
    {
        QMutexLocker locker(&s.lock);
        directory = s.directory.isEmpty() ? logDirectory() : s.directory;
    }
    QStringList paths;
    const QFileInfoList files
        = QDir(directory).entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : files)
        paths.append(info.absoluteFilePath());
    return paths;
}

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    LogState& s = state();
    QMutexLocker locker(&s.lock);
    const QDateTime now = s.clock();
    if (s.enabled && now.date() != s.fileDate)
        openLogFile();
    writeEntry(s, type, context, message);
    if (type == QtFatalMsg)
        std::abort();
}

LogFloodGuard::LogFloodGuard(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); }))
{
}

LogFloodGuard::~LogFloodGuard()
{
    for (const auto& [key, window] : m_windows)
        summarise(key, window);
}

void LogFloodGuard::summarise(const Key& key, const Window& window)
{
    if (window.suppressed > 0)
        qCInfo(lcCore).noquote() << QStringLiteral("\u2026 and %1 more like it from %2 in the last minute (%3)")
                                        .arg(window.suppressed)
                                        .arg(key.second, key.first);
}

bool LogFloodGuard::Allow(const QString& kind, const QString& peer)
{
    const TimePoint now = m_clock();
    const Key key{kind, peer};
    auto found = m_windows.find(key);
    if (found == m_windows.end()) {
        if (m_windows.size() >= kMaxTracked) {
            // Summarise and forget the windows that are over; if none is, the first one.
            for (auto it = m_windows.begin(); it != m_windows.end();) {
                if (now - it->second.start >= kWindow) {
                    summarise(it->first, it->second);
                    it = m_windows.erase(it);
                } else {
                    ++it;
                }
            }
            if (m_windows.size() >= kMaxTracked) {
                summarise(m_windows.begin()->first, m_windows.begin()->second);
                m_windows.erase(m_windows.begin());
            }
        }
        found = m_windows.emplace(key, Window{now, 0, 0}).first;
    } else if (now - found->second.start >= kWindow) {
        summarise(key, found->second);
        found->second = Window{now, 0, 0};
    }
    if (++found->second.lines <= kLinesPerWindow)
        return true;
    ++found->second.suppressed;
    return false;
}

} // namespace tessivar
