// Standard output and error are inherited as they are; nothing to attach.
#include "platform/Console.h"

namespace tessivar::platform {

bool attachParentConsole()
{
    return false;
}

} // namespace tessivar::platform
