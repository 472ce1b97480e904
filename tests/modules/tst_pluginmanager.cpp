#include "ModuleTestSupport.h"

#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInfoData.h"
#include "modules/sdk/TessivarModuleInfoList.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPlugin.h"
#include "modules/sdk/TessivarPluginData.h"
#include "support/TestWorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QJSEngine>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::test;

namespace {

const QString kTestPluginId = QStringLiteral("com.tessivar.test");
const QString kOtherPluginId = QStringLiteral("com.tessivar.test.other");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");

QByteArray resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList pluginIds(const PluginManager& manager)
{
    QStringList ids;
    for (const TessivarPlugin* plugin : manager.GetPlugins())
        ids.append(plugin->id());
    return ids;
}

} // namespace

class TestPluginManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsPluginsAndListsThem();
    void instantiatesModulesOfLoadedPlugins();
    void skipsBrokenLibrariesAndJunk();
    void skipsDuplicatePluginIds();
    void folderSignatureCoversEveryFile();
    void disabledPluginIsNotLoaded();
    void changedDisabledPluginIsEnabledAgain();
    void catalogueListsClientFilesWithTheirChecksums();
    void catalogueListsDuplicateDataClassesOnce();
    void informationListDropsDestroyedPlugins();
};

void TestPluginManager::loadsPluginsAndListsThem()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "test"));
    PluginManager manager(configuration);
    PluginInformationList* list = manager.GetPluginInformationList();
    QSignalSpy inserted(list, &QAbstractItemModel::rowsInserted);

    manager.LoadPlugins();

    QCOMPARE(pluginIds(manager), QStringList{kTestPluginId});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->rowCount(list->index(0)), 0);
    TessivarPluginData* data = list->get(0);
    QVERIFY(data);
    QCOMPARE(data->id(), kTestPluginId);
    QCOMPARE(list->data(list->index(0), Qt::UserRole + 7).value<TessivarPluginData*>(), data);
    QVERIFY(!list->get(1));
    QVERIFY(!list->get(-1));
    QVERIFY(!list->data(list->index(1), Qt::DisplayRole).isValid());

    // QML reads the objects but never owns them.
    QCOMPARE(QJSEngine::objectOwnership(data), QJSEngine::CppOwnership);
    for (TessivarModuleInfo* module : data->moduleInfoList()->infoList()) {
        QCOMPARE(QJSEngine::objectOwnership(module), QJSEngine::CppOwnership);
        QCOMPARE(module->thread(), QCoreApplication::instance()->thread());
    }
    QCOMPARE(data->modules().size(), 2);
}

void TestPluginManager::instantiatesModulesOfLoadedPlugins()
{
    PluginEnvironment environment;
    PluginManager& manager = *environment.plugins;

    std::unique_ptr<TessivarModuleInstance> instance = manager.InstantiateModule(kTestPluginId, kEcho);
    QVERIFY(instance);
    QVERIFY(instance->moduleInfo());
    QCOMPARE(instance->moduleInfo()->id(), kEcho);
    QCOMPARE(instance->instanceData()->classId(), kEcho);
    QCOMPARE(instance->instanceData()->getClientParameter("Text"), QVariant("hello"));
    QVERIFY(!instance->instanceData()->getClientParameter("Unset").isValid());

    auto second = manager.InstantiateModule(kTestPluginId, kEcho);
    QVERIFY(second && second.get() != instance.get());
    QVERIFY(!manager.InstantiateModule("com.tessivar.unknown", kEcho));
    QVERIFY(!manager.InstantiateModule(kTestPluginId, "com.tessivar.test.ECHO"));
    // The module is offered, but the plugin makes no instance of it.
    QVERIFY(!manager.InstantiateModule(kTestPluginId, "com.tessivar.test.broken"));

    QVERIFY(manager.FindModuleDataClass(kEcho));
    QVERIFY(!manager.FindModuleDataClass("com.tessivar.unknown"));
    QCOMPARE(manager.GetParameterEditionWidgetPath(kEcho), QUrl("qrc:/com.tessivar.test/EchoParameters.qml"));
    QVERIFY(manager.GetParameterEditionWidgetPath("com.tessivar.unknown").isEmpty());
}

void TestPluginManager::skipsBrokenLibrariesAndJunk()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(QDir().mkpath("plugins/empty"));
    QVERIFY(QDir().mkpath("plugins/garbage"));
    QFile garbage("plugins/garbage/" + tessivar::pluginFileName());
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is not a shared library");
    garbage.close();
    QFile loose("plugins/" + tessivar::pluginFileName());
    QVERIFY(loose.open(QIODevice::WriteOnly));
    loose.close();
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN_NULL, "null"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN_NOEXPORT, "noexport"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "good"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("empty/plugin.* is not a valid library\\."));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("garbage/plugin.* is not a valid library\\."));
    PluginManager manager(configuration);
    manager.LoadPlugins();

    QCOMPARE(pluginIds(manager), QStringList{kTestPluginId});
    QCOMPARE(manager.GetPluginInformationList()->rowCount(), 1);
}

void TestPluginManager::skipsDuplicatePluginIds()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "first"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "second"));
    PluginManager manager(configuration);
    manager.LoadPlugins();
    QCOMPARE(pluginIds(manager), QStringList{kTestPluginId});
    QCOMPARE(manager.GetPluginInformationList()->rowCount(), 1);
}

void TestPluginManager::folderSignatureCoversEveryFile()
{
    TestWorkingFolder folder;
    QVERIFY(QDir().mkpath("plugins/misc"));
    QFile file("plugins/misc/a.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("content");
    file.close();
    QCOMPARE(PluginManager::FolderSignature(QDir("plugins/misc")),
             "misc" + QString::number(qChecksum(QByteArrayView("content"), Qt::ChecksumIso3309)));

    QVERIFY(QDir().mkpath("plugins/misc/sub")); // subfolders do not count
    const QString before = PluginManager::FolderSignature(QDir("plugins/misc"));
    QFile sub("plugins/misc/sub/b.txt");
    QVERIFY(sub.open(QIODevice::WriteOnly));
    sub.write("more");
    sub.close();
    QCOMPARE(PluginManager::FolderSignature(QDir("plugins/misc")), before);

    QFile extra("plugins/misc/b.txt");
    QVERIFY(extra.open(QIODevice::WriteOnly));
    extra.write("x");
    extra.close();
    QVERIFY(PluginManager::FolderSignature(QDir("plugins/misc")) != before);
}

void TestPluginManager::disabledPluginIsNotLoaded()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "test"));
    const QString signature = PluginManager::FolderSignature(QDir("plugins/test"));
    const QList<DisabledPlugin_t> disabled{{"test", signature}, {"gone", "gone123"}};
    configuration.setDisabledPlugins(disabled);

    PluginManager manager(configuration);
    manager.LoadPlugins();

    QVERIFY(manager.GetPlugins().isEmpty());
    QCOMPARE(manager.GetPluginInformationList()->rowCount(), 0);
    QCOMPARE(configuration.DisabledPlugins(), disabled);
}

void TestPluginManager::changedDisabledPluginIsEnabledAgain()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "test"));
    const QString signature = PluginManager::FolderSignature(QDir("plugins/test"));
    configuration.setDisabledPlugins({{"test", signature}, {"gone", "gone123"}});
    QFile readme("plugins/test/readme.txt");
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.write("a new file changes the signature");
    readme.close();
    QSignalSpy written(&configuration, &tessivar::Configuration::DisabledPluginsChanged);

    PluginManager manager(configuration);
    manager.LoadPlugins();

    QCOMPARE(pluginIds(manager), QStringList{kTestPluginId});
    const QList<DisabledPlugin_t> remaining{{"gone", "gone123"}};
    QCOMPARE(configuration.DisabledPlugins(), remaining);
    QCOMPARE(written.count(), 1);
    // The pruned list is on disk, not only in memory.
    tessivar::Configuration reopened(folder.filePath("config"));
    QCOMPARE(reopened.DisabledPlugins(), remaining);
}

void TestPluginManager::catalogueListsClientFilesWithTheirChecksums()
{
    PluginEnvironment environment;
    const QList<ModuleDataClassInfo_t> catalogue = environment.plugins->BuildDataClassCatalogue();
    QCOMPARE(catalogue.size(), 1);
    QCOMPARE(catalogue[0].classId, kEcho);
    // The display widget under its file name, then the client files; one that does not
    // open is left out.
    const QList<ModuleDataClassInfo_t::FileInfo_t> expected{
        {"EchoData.qml", qChecksum(resource(":/com.tessivar.test/EchoData.qml"), Qt::ChecksumIso3309)},
        {"Icon.txt", qChecksum(resource(":/com.tessivar.test/EchoIcon.txt"), Qt::ChecksumIso3309)},
    };
    QCOMPARE(catalogue[0].fileList, expected);
    QVERIFY(!resource(":/com.tessivar.test/EchoIcon.txt").isEmpty());
    // Built once as the plugins load, and kept.
    QCOMPARE(environment.plugins->DataClassCatalogue(), catalogue);
    QVERIFY(PluginManager(*environment.configuration).DataClassCatalogue().isEmpty());
}

void TestPluginManager::catalogueListsDuplicateDataClassesOnce()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "a"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN_OTHER, "b"));
    PluginManager manager(configuration);
    manager.LoadPlugins();
    QCOMPARE(manager.GetPlugins().size(), 2);

    const QList<ModuleDataClassInfo_t> catalogue = manager.BuildDataClassCatalogue();
    QCOMPARE(catalogue.size(), 1);
    // The plugin loaded first wins, whatever order the folders come in.
    const bool mainFirst = manager.GetPlugins().first()->id() == kTestPluginId;
    const QString widget = mainFirst ? ":/com.tessivar.test/EchoData.qml" : ":/com.tessivar.test.other/EchoData.qml";
    QCOMPARE(catalogue[0].fileList.size(), mainFirst ? 2 : 1);
    QCOMPARE(catalogue[0].fileList[0].fileCrc, qChecksum(resource(widget), Qt::ChecksumIso3309));
    QCOMPARE(manager.FindModuleDataClass(kEcho)->getClientDataDisplayWidgetPath(), QUrl("qrc" + widget));
}

void TestPluginManager::informationListDropsDestroyedPlugins()
{
    PluginInformationList list;
    auto first = std::make_unique<TessivarPluginData>("one", "One");
    auto second = std::make_unique<TessivarPluginData>("two", "Two");
    list.Add(first.get());
    list.Add(second.get());
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    first.reset();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed[0][1].toInt(), 0);
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.get(0), second.get());
}

QTEST_GUILESS_MAIN(TestPluginManager)
#include "tst_pluginmanager.moc"
