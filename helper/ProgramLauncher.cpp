#include "ProgramLauncher.h"

#include "platform/Processes.h"
#include "platform/Question.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

namespace tessivar::helper {

namespace {

std::vector<std::string> utf8List(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& item : list)
        result.push_back(item.toStdString());
    return result;
}

// True when the program may be started: none runs, or the user let us end it.
bool offerRestart(const QString& programPath, const QString& displayName)
{
    const platform::ProcessId running = platform::findRunningProcess(programPath.toStdString());
    if (running == 0)
        return true;
    qWarning() << "Program is already running";
    const QString text
        = QCoreApplication::translate("tessivar-helper", "%1 is already running. Restart it?").arg(displayName);
    if (!platform::askYesNo("Confirm Restart", text.toStdString()))
        return false;
    qInfo() << "Restarting";
    platform::terminateProcess(running);
    return true;
}

} // namespace

bool launchProgram(const QString& executableFileName, const QString& displayName, const QStringList& arguments)
{
    const QString workingDirectory = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    const QString programPath = workingDirectory + QDir::separator() + executableFileName;
    const std::vector<std::string> programArguments = utf8List(arguments);
    const QString parameters = QString::fromStdString(platform::quotedParameters(programArguments));

    if (!offerRestart(programPath, displayName))
        return false;

    qInfo() << "Launching program" << programPath;
    qInfo() << "Parameters:" << parameters;
    qInfo() << "Working directory" << workingDirectory;
    const platform::LaunchResult result
        = platform::launchProgram(programPath.toStdString(), programArguments, workingDirectory.toStdString());
    if (!result.started) {
        qWarning().nospace() << "Program failed to launch. Error: " << result.error;
        return false;
    }
    qInfo() << "Program started successfully";
    return true;
}

} // namespace tessivar::helper
