#include "ClientQml.h"

#include "DataWidgetHost.h"

#include <QQmlEngine>

// The resources of a static library are brought in by name, outside any namespace.
static void initClientResources()
{
    Q_INIT_RESOURCE(client);
}

namespace tessivar::client {

void registerClientQml()
{
    initClientResources();
    qmlRegisterType<DataWidgetHost>("Tessivar.Client", 1, 0, "DataWidgetHost");
}

} // namespace tessivar::client
