#include <QtGlobal>

// A library that loads but does not export getTessivarPluginInstance.
extern "C" Q_DECL_EXPORT int tessivarTestNotAPlugin()
{
    return 42;
}
