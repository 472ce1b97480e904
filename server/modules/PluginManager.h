#pragma once

#include "core/ModuleDataClassInfo.h"
#include "core/ModuleTypes.h"
#include "modules/PluginInformationList.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <vector>

class QDir;
class QLibrary;
class TessivarModuleDataInfo;
class TessivarModuleInstance;
class TessivarPlugin;

namespace tessivar {
class Configuration;
}

// Finds the plugin libraries in "./plugins/" (one subfolder each), skips the folders
// the user disabled, loads the others, and answers for their modules and data
// classes. Plugins are loaded once and never unloaded.
class PluginManager
{
public:
    explicit PluginManager(tessivar::Configuration& configuration);
    ~PluginManager();
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    void LoadPlugins();

    // A new instance of the module with its module description attached; empty when
    // the plugin or the module is unknown or the plugin made no instance.
    std::unique_ptr<TessivarModuleInstance> InstantiateModule(const PluginId_t& pluginId,
                                                              const ModuleId_t& moduleId) const;
    // The first data class with that id, walking plugins in load order; null if none.
    const TessivarModuleDataInfo* FindModuleDataClass(const QString& dataClassId) const;
    QUrl GetParameterEditionWidgetPath(const QString& dataClassId) const;
    // Every data class once (the first plugin wins) with the name and CRC of each file
    // a client needs for it.
    QList<ModuleDataClassInfo_t> BuildDataClassCatalogue() const;
    // The catalogue as built when the plugins loaded: it depends on nothing else, and
    // every device that greets the server before registering is sent it.
    const QList<ModuleDataClassInfo_t>& DataClassCatalogue() const { return m_dataClassCatalogue; }

    const QList<TessivarPlugin*>& GetPlugins() const { return m_plugins; }
    PluginInformationList* GetPluginInformationList() { return &m_informationList; }

    // The folder name followed by the CRC of the contents of its files, in decimal.
    // A disabled plugin is recognised by it; it changes when any file changes.
    static QString FolderSignature(const QDir& folder);
    // Where the server reads a client file: a "qrc:/" URL becomes a resource path.
    static QString ClientFilePath(const QUrl& url);

private:
    TessivarPlugin* LoadLibrary(const QString& libraryPath);
    void AddPlugin(TessivarPlugin* plugin);
    void HandOverToMainThread() const;
    void LogLoadedPlugins() const;
    static bool AddClientFile(ModuleDataClassInfo_t& entry, const QUrl& url, const QString& name);

    tessivar::Configuration& m_configuration;
    QList<TessivarPlugin*> m_plugins;
    std::vector<std::unique_ptr<QLibrary>> m_libraries;
    PluginInformationList m_informationList;
    QList<ModuleDataClassInfo_t> m_dataClassCatalogue;
};
