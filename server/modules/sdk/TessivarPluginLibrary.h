#pragma once

#include "TessivarPluginGlobal.h"

// Process-wide set-up of the plugin support library.
class TESSIVARPLUGIN_EXPORT TessivarPluginLibrary
{
public:
    // Called once by the server before it scans its plugin folder. Registers the
    // library's types with Qt's meta-type system; calling it again does no harm.
    static void Init();
};
