#include "modules/PluginManager.h"

#include "core/ApplicationConstants.h"
#include "core/ApplicationPaths.h"
#include "core/Checksum.h"
#include "core/Configuration.h"
#include "core/Logging.h"
#include "modules/sdk/TessivarModuleDataInfo.h"
#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInfoList.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPlugin.h"
#include "modules/sdk/TessivarPluginData.h"
#include "modules/sdk/TessivarPluginLibrary.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QLibrary>
#include <QSet>
#include <QThread>

namespace {

QList<DisabledPlugin_t>::iterator findDisabled(QList<DisabledPlugin_t>& disabled, const QString& folderName)
{
    return std::find_if(disabled.begin(), disabled.end(),
                        [&](const DisabledPlugin_t& record) { return record.folderName == folderName; });
}

} // namespace

PluginManager::PluginManager(tessivar::Configuration& configuration)
    : m_configuration(configuration)
{
}

PluginManager::~PluginManager() = default;

void PluginManager::LoadPlugins()
{
    TessivarPluginLibrary::Init();
    QList<DisabledPlugin_t> disabled = m_configuration.DisabledPlugins();
    bool disabledChanged = false;
    QSet<QString> loadedIds;
    QDirIterator folders(tessivar::ApplicationPaths::instance().pluginDirectory(), QDir::Dirs | QDir::NoDotAndDotDot);
    while (folders.hasNext()) {
        const QDir folder(folders.next());
        QCoreApplication::addLibraryPath(folder.absolutePath());
        const QString signature = FolderSignature(folder);
        qCDebug(lcModules) << "Plugin" << signature;
        const auto record = findDisabled(disabled, folder.dirName());
        if (record != disabled.end()) {
            if (record->signature == signature) {
                qCDebug(lcModules) << "Plugin" << signature << "ignored";
                continue;
            }
            // The folder changed since it was disabled: the plugin counts as enabled again.
            disabled.erase(record);
            disabledChanged = true;
        }
        TessivarPlugin* plugin = LoadLibrary(folder.absolutePath() + QLatin1Char('/') + tessivar::pluginFileName());
        if (!plugin || loadedIds.contains(plugin->id()))
            continue;
        loadedIds.insert(plugin->id());
        plugin->pluginData()->setFolder(QDir::toNativeSeparators(folder.absolutePath()));
        AddPlugin(plugin);
    }
    HandOverToMainThread();
    m_dataClassCatalogue = BuildDataClassCatalogue();
    LogLoadedPlugins();
    // A settings write waits for the disk: made only when a plugin came back.
    if (disabledChanged)
        m_configuration.setDisabledPlugins(disabled);
}

TessivarPlugin* PluginManager::LoadLibrary(const QString& libraryPath)
{
    auto library = std::make_unique<QLibrary>(libraryPath);
    if (!library->load()) {
        qCWarning(lcModules) << library->fileName() << "is not a valid library." << library->errorString();
        return nullptr;
    }
    const auto instance
        = reinterpret_cast<TessivarPluginInstanceFunction>(library->resolve(kTessivarPluginInstanceSymbol));
    if (!instance) {
        library->unload();
        return nullptr;
    }
    // From here on the library stays loaded until the process ends.
    m_libraries.push_back(std::move(library));
    return instance();
}

void PluginManager::AddPlugin(TessivarPlugin* plugin)
{
    qCDebug(lcModules) << "PluginLoaded" << plugin->name();
    m_informationList.Add(plugin->pluginData());
    m_plugins.append(plugin);
}

void PluginManager::HandOverToMainThread() const
{
    // QML reads these objects but must never delete them: they belong to the plugins.
    QThread* mainThread = QCoreApplication::instance() ? QCoreApplication::instance()->thread() : nullptr;
    auto handOver = [mainThread](QObject* object) {
        if (mainThread && object->thread() != mainThread)
            object->moveToThread(mainThread);
        QJSEngine::setObjectOwnership(object, QJSEngine::CppOwnership);
    };
    for (TessivarPlugin* plugin : m_plugins) {
        handOver(plugin->pluginData());
        for (TessivarModuleInfo* module : plugin->pluginData()->moduleInfoList()->infoList())
            handOver(module);
    }
}

void PluginManager::LogLoadedPlugins() const
{
    qCDebug(lcModules) << "Plugins loaded";
    for (TessivarPlugin* plugin : m_plugins) {
        qCDebug(lcModules).noquote() << "    " + plugin->name();
        qCDebug(lcModules).noquote() << "        Modules";
        for (TessivarModuleInfo* module : plugin->pluginData()->moduleInfoList()->infoList())
            qCDebug(lcModules).noquote() << "            " + module->name();
    }
}

QString PluginManager::FolderSignature(const QDir& folder)
{
    QByteArray contents;
    QDirIterator files(folder.path(), QDir::Files | QDir::Hidden);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly))
            contents.append(file.readAll());
    }
    return folder.dirName() + QString::number(tessivar::checksum(contents));
}

std::unique_ptr<TessivarModuleInstance> PluginManager::InstantiateModule(const PluginId_t& pluginId,
                                                                         const ModuleId_t& moduleId) const
{
    const auto plugin = std::find_if(m_plugins.cbegin(), m_plugins.cend(),
                                     [&](const TessivarPlugin* candidate) { return candidate->id() == pluginId; });
    if (plugin == m_plugins.cend())
        return {};
    const QList<TessivarModuleInfo*>& modules = (*plugin)->pluginData()->moduleInfoList()->infoList();
    const auto module = std::find_if(modules.cbegin(), modules.cend(),
                                     [&](const TessivarModuleInfo* info) { return info->id() == moduleId; });
    if (module == modules.cend())
        return {};
    std::unique_ptr<TessivarModuleInstance> instance((*plugin)->createModuleInstance(moduleId));
    if (instance && !instance->instanceData()) {
        qCWarning(lcModules) << "Plugin" << pluginId << "made an instance of" << moduleId << "without its data";
        return {};
    }
    if (instance)
        instance->setModuleInfo(*module);
    return instance;
}

const TessivarModuleDataInfo* PluginManager::FindModuleDataClass(const QString& dataClassId) const
{
    for (const TessivarPlugin* plugin : m_plugins) {
        for (const TessivarModuleDataInfo& dataClass : plugin->pluginData()->moduleDataInfoList()) {
            if (dataClass.getId() == dataClassId)
                return &dataClass;
        }
    }
    return nullptr;
}

QUrl PluginManager::GetParameterEditionWidgetPath(const QString& dataClassId) const
{
    const TessivarModuleDataInfo* dataClass = FindModuleDataClass(dataClassId);
    return dataClass ? dataClass->getParameterEditionWidgetPath() : QUrl();
}

QList<ModuleDataClassInfo_t> PluginManager::BuildDataClassCatalogue() const
{
    QList<ModuleDataClassInfo_t> catalogue;
    QSet<QString> listed;
    for (const TessivarPlugin* plugin : m_plugins) {
        for (const TessivarModuleDataInfo& dataClass : plugin->pluginData()->moduleDataInfoList()) {
            if (listed.contains(dataClass.getId()))
                continue;
            listed.insert(dataClass.getId());
            ModuleDataClassInfo_t entry{dataClass.getId(), {}};
            const QUrl widget = dataClass.getClientDataDisplayWidgetPath();
            AddClientFile(entry, widget, QFileInfo(ClientFilePath(widget)).fileName());
            for (const TessivarModuleDataInfo::ClientFile& file : dataClass.getClientFiles())
                AddClientFile(entry, file.url, file.name);
            catalogue.append(entry);
        }
    }
    return catalogue;
}

bool PluginManager::AddClientFile(ModuleDataClassInfo_t& entry, const QUrl& url, const QString& name)
{
    QFile file(ClientFilePath(url));
    if (url.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    entry.fileList.append({name, tessivar::checksum(file.readAll())});
    return true;
}

QString PluginManager::ClientFilePath(const QUrl& url)
{
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    if (url.isLocalFile())
        return url.toLocalFile();
    return url.toString();
}
