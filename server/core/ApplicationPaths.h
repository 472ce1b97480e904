#pragma once

#include <QString>

namespace tessivar {

// Where the program keeps its files. Run from a folder it may write (the build tree, a
// portable copy, the Windows layout) everything stays where it always was, relative to
// the working directory: "config", "log/", "modules/" and "./plugins/". Installed in a
// folder it cannot write (a system package), settings, logs and blocks go to the user's
// data folder (QStandardPaths::AppDataLocation) and plugins are read where the package
// put them, relative to the program. On Windows the installer puts the plugins in
// "plugins\" beside the program, so they are read there in either layout.
class ApplicationPaths
{
public:
    enum class Layout { BesideProgram, Installed };
    enum class System { Windows, Linux };
#if defined(_WIN32)
    static constexpr System kThisSystem = System::Windows;
#else
    static constexpr System kThisSystem = System::Linux;
#endif

    // For the running program, decided once from its own folder.
    static const ApplicationPaths& instance();

    // dataDirectory is used by the installed layout only; the other one follows the
    // working directory at each call, as it always did.
    ApplicationPaths(Layout layout, const QString& programDirectory, const QString& dataDirectory,
                     System system = kThisSystem);

    // Installed when the program's folder does not take a new file.
    static Layout layoutOf(const QString& programDirectory);

    // The "config" that the program in that folder reads when its user starts it from
    // there (the helper starts it so): beside it, or in the user's data folder when
    // installed. Run as root for a user (pkexec), the folder is probed with that user's
    // rights and the data folder is that user's. Empty when it cannot be told.
    static QString settingsFileOfProgram(const QString& programDirectory);

    Layout layout() const;
    // The folder that holds "config", "log/" and "modules/"; no trailing slash.
    QString dataDirectory() const;
    QString settingsFilePath() const;
    QString logDirectory() const;    // ends in a slash
    QString moduleDirectory() const; // ends in a slash
    QString pluginDirectory() const; // ends in a slash

private:
    Layout m_layout;
    System m_system;
    QString m_programDirectory;
    QString m_dataDirectory;
};

} // namespace tessivar
