// Launch at login through an XDG autostart entry: $XDG_CONFIG_HOME/autostart/<name>.desktop.
#include "platform/Autostart.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tessivar::platform {

namespace {

namespace fs = std::filesystem;

fs::path autostartDirectory()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && *configHome && fs::path(configHome).is_absolute())
        return fs::path(configHome) / "autostart";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".config" / "autostart";
}

fs::path entryPath(const std::string& name)
{
    std::string fileName;
    for (char c : name)
        fileName += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    return autostartDirectory() / (fileName + ".desktop");
}

// Quotes one Exec argument: reserved characters escaped inside double quotes, then the
// backslashes doubled again because the value is itself an escaped desktop-entry string.
std::string quoteExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        else if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

std::string execLine(const AutostartEntry& entry)
{
    std::string line = quoteExecArgument(entry.program);
    for (const std::string& argument : entry.arguments)
        line += " " + argument;
    return line;
}

} // namespace

bool autostartEntryExists(const std::string& name)
{
    std::error_code error;
    return fs::is_regular_file(entryPath(name), error);
}

bool writeAutostartEntry(const AutostartEntry& entry)
{
    std::error_code error;
    const fs::path path = entryPath(entry.name);
    fs::create_directories(path.parent_path(), error);
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=" << entry.name << "\n"
            << "Exec=" << execLine(entry) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        if (!out.flush())
            return false;
    }
    // Replaced in one step, so a login never sees half an entry.
    fs::rename(temporary, path, error);
    return !error;
}

bool removeAutostartEntry(const std::string& name)
{
    std::error_code error;
    fs::remove(entryPath(name), error);
    return !error && !autostartEntryExists(name);
}

} // namespace tessivar::platform
