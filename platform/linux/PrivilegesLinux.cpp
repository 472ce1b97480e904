#include "platform/Privileges.h"

#include <cerrno>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace tessivar::platform {

namespace {

// More groups than a user is in; getgrouplist says how many when it is not enough.
constexpr int kInitialGroups = 64;

bool parseUid(const char* text, unsigned& uid)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFEul)
        return false;
    uid = static_cast<unsigned>(value);
    return true;
}

bool backToRoot(const std::vector<gid_t>& groups, gid_t gid)
{
    return ::seteuid(0) == 0 && ::setgroups(groups.size(), groups.data()) == 0 && ::setegid(gid) == 0;
}

} // namespace

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

InvokingUser invokingUser()
{
    InvokingUser user;
    unsigned uid = 0;
    // pkexec says who asked in PKEXEC_UID, sudo in SUDO_UID.
    const bool asked = parseUid(std::getenv("PKEXEC_UID"), uid) || parseUid(std::getenv("SUDO_UID"), uid);
    if (!runningAsRoot() || !asked || uid == 0)
        return user;
    const passwd* entry = ::getpwuid(uid);
    if (!entry || !entry->pw_dir)
        return user;
    user.found = true;
    user.uid = uid;
    user.gid = entry->pw_gid;
    user.home = entry->pw_dir;
    return user;
}

bool runAsUser(const InvokingUser& user, const std::function<void()>& work)
{
    if (!user.found || !runningAsRoot())
        return false;
    const passwd* entry = ::getpwuid(user.uid);
    if (!entry)
        return false;
    std::vector<gid_t> groups(kInitialGroups);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(entry->pw_name, user.gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (::getgrouplist(entry->pw_name, user.gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(static_cast<size_t>(count));

    std::vector<gid_t> rootGroups(static_cast<size_t>(::getgroups(0, nullptr)));
    if (::getgroups(static_cast<int>(rootGroups.size()), rootGroups.data()) < 0)
        return false;
    const gid_t rootGid = ::getegid();
    // Groups and group first: once the user is taken, root's rights to change them are gone.
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setegid(user.gid) != 0 || ::seteuid(user.uid) != 0) {
        backToRoot(rootGroups, rootGid);
        return false;
    }
    work();
    return backToRoot(rootGroups, rootGid);
}

} // namespace tessivar::platform
