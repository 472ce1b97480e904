#include "platform/Privileges.h"

namespace tessivar::platform {

bool runningAsRoot()
{
    return false;
}

InvokingUser invokingUser()
{
    return {};
}

bool runAsUser(const InvokingUser&, const std::function<void()>&)
{
    return false;
}

} // namespace tessivar::platform
