#pragma once

#include <functional>
#include <string>

// Who the program runs as, and for whom. A helper started as root through pkexec runs
// for the user who asked (PKEXEC_UID), whose files and settings it has to find.
namespace tessivar::platform {

// Root on Linux. On Windows an elevated helper keeps its own folder: always false.
bool runningAsRoot();

struct InvokingUser {
    bool found = false;
    unsigned uid = 0;
    unsigned gid = 0;
    std::string home;
};

// The user on whose behalf a root process runs (pkexec's PKEXEC_UID, sudo's SUDO_UID);
// not found when not root, or when root itself started it.
InvokingUser invokingUser();

// Runs work with that user's effective identity (user, group and groups), then takes
// root's back. False, with work not run, when the switch fails.
bool runAsUser(const InvokingUser& user, const std::function<void()>& work);

} // namespace tessivar::platform
