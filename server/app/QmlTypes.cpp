#include "app/QmlTypes.h"

#include "app/UserInterfaceFlow.h"

namespace tessivar {

void registerServerQmlTypes()
{
    UserInterfaceFlow::registerQmlTypes();
}

} // namespace tessivar
