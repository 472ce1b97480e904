#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// The process-wide message handler: every qDebug/qInfo/qWarning/qCritical/qFatal goes
// through it. With file logging on, it writes a daily file "log_<date>_<name>.txt" in
// the log directory and keeps the files of that directory under a size limit.
namespace tessivar {

// Above this many bytes over all log files, the oldest files are removed.
inline constexpr qint64 kLogSizeLimit = 20'000'000;

// The folder of the log files, ending in a slash: the one logging was started with
// (the data folder of an installed program), before that the working directory's "log/".
QString logDirectory();

// Installs the handler; opens the day's file at once when enabled.
void initLogging(bool enabled, const QString& name, const QString& directory);

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

// Whether debug lines are written at all: a line built for nothing still costs its
// formatting, which per message adds up.
bool debugLoggingEnabled();

} // namespace tessivar
