#pragma once

#include "TessivarPluginGlobal.h"

#include <QString>
#include <QUrl>

#include <memory>

class TessivarModuleDataInfo;
class TessivarModuleInfo;
class TessivarModuleInstance;
class TessivarPluginData;

// Base class of a plugin. A plugin library holds exactly one object of its derived
// class with static storage duration and exports it through
//
//     extern "C" Q_DECL_EXPORT TessivarPlugin* getTessivarPluginInstance();
//
// The server never deletes the plugin. In its constructor a plugin describes itself,
// then registers its data classes and its modules.
class TESSIVARPLUGIN_EXPORT TessivarPlugin
{
public:
    TessivarPlugin(const QString& id, const QString& name);
    virtual ~TessivarPlugin();
    TessivarPlugin(const TessivarPlugin&) = delete;
    TessivarPlugin& operator=(const TessivarPlugin&) = delete;

    // A new instance of the module, owned by the caller, or null for an unknown id.
    virtual TessivarModuleInstance* createModuleInstance(const QString& moduleId);

    void setDescription(const QString& description);
    void setIcon(const QUrl& icon);
    void setValid(bool valid);
    void setVisible(bool visible);
    void setVersion(const QString& version);
    void setAuthor(const QString& author);

    // The plugin keeps `info` alive for as long as it lives itself.
    void registerModuleClass(TessivarModuleInfo* info);
    // Copied: the argument may die after the call.
    void registerModuleDataClass(const TessivarModuleDataInfo& info);

    QString id() const;
    QString name() const;

    TessivarPluginData* pluginData() const { return m_data.get(); }

private:
    std::unique_ptr<TessivarPluginData> m_data;
};

// The export every plugin library provides, resolved by name.
using TessivarPluginInstanceFunction = TessivarPlugin* (*)();
inline constexpr const char* kTessivarPluginInstanceSymbol = "getTessivarPluginInstance";
