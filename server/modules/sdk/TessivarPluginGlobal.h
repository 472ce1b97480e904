#pragma once

#include <QtGlobal>

// Symbols of the plugin support library: exported while it is built, imported by
// the server and by every plugin.
#if defined(TESSIVARPLUGIN_LIBRARY)
#define TESSIVARPLUGIN_EXPORT Q_DECL_EXPORT
#else
#define TESSIVARPLUGIN_EXPORT Q_DECL_IMPORT
#endif
