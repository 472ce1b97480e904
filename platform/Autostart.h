#pragma once

#include <string>
#include <vector>

// Launch of a program when the user logs in: the Run key of the current user on
// Windows, an XDG autostart entry elsewhere. Strings are UTF-8.
namespace tessivar::platform {

struct AutostartEntry {
    std::string name;                 // the entry's name, the application display name
    std::string program;              // full path of the program to start
    std::vector<std::string> arguments;
};

// True if an entry of that name exists.
bool autostartEntryExists(const std::string& name);

// Creates or replaces the entry; false if it could not be written.
bool writeAutostartEntry(const AutostartEntry& entry);

// Removes the entry if present; true when no entry is left.
bool removeAutostartEntry(const std::string& name);

} // namespace tessivar::platform
