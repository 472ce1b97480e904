#include "TessivarPlugin.h"

// A library whose export gives no plugin.
extern "C" Q_DECL_EXPORT TessivarPlugin* getTessivarPluginInstance()
{
    return nullptr;
}
