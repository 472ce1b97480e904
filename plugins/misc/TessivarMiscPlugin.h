#pragma once

#include "TessivarModuleInfo.h"
#include "TessivarPlugin.h"

#include <map>

// The plugin of the standard modules: clock, text, shortcut, macro, web page and
// device status. One static object of the library; the server reaches it through
// getTessivarPluginInstance.
class TessivarMiscPlugin : public TessivarPlugin
{
public:
    TessivarMiscPlugin();
    TessivarModuleInstance* createModuleInstance(const QString& moduleId) override;

private:
    void registerModule(const QString& id, const QString& name, const QString& description, const QString& icon);

    // The module descriptions; registerModuleClass keeps their addresses.
    std::map<QString, TessivarModuleInfo> m_moduleInfos;
};

extern "C" Q_DECL_EXPORT TessivarPlugin* getTessivarPluginInstance();
