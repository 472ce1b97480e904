#include "ModuleTestSupport.h"

#include "modules/ModuleList.h"
#include "modules/ModuleRecord.h"
#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleDataInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::test;

namespace {

const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");
const QString kBroken = QStringLiteral("com.tessivar.test.broken");
const QString kDeviceA = QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
const QString kDeviceB = QStringLiteral("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");

ModuleRecord recordOf(const QString& device, const QString& plugin = kPlugin, const QString& module = kEcho)
{
    ModuleRecord record;
    record.SetPluginId(plugin);
    record.SetModuleId(module);
    record.SetModuleDataClass(kEcho);
    record.SetDeviceId(device);
    record.SetDescription("Echo");
    return record;
}

// A block as an earlier run left it on disk.
QString storeBlock(BlockId_t id, const QString& device, const QString& plugin = kPlugin, const QString& module = kEcho,
                   const QVariantMap& parameters = {})
{
    ModuleRecord record = recordOf(device, plugin, module);
    record.SetClientParameters(parameters);
    record.SetBlockId(id);
    return record.GetFolder().absolutePath();
}

QStringList storedFolders()
{
    return QDir("modules").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

ModuleSource* blockAt(const ModuleList& list, int row)
{
    return list.get(row).value<ModuleSource*>();
}

QString pluginOf(const QString& folder)
{
    return readStoredValue(folder + "/PluginId").toString();
}

} // namespace

class TestModuleList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void storedBlocksLoadThroughThePlugin();
    void storedBlocksComeInCreationOrder();
    void blocksWithoutAPluginAreDeletedAtStartUp();
    void blocksOfADisabledPluginAreDeletedAtStartUp();
    void folderNotNamedByANumberIsReportedAndLeftAlone();
    void linkedFolderIsNeitherLoadedNorFollowed();
    void interruptedWritesLeaveEveryBlockLoadable();
    void newBlocksGetCreationRequestIds();
    void confirmedBlockIsStoredAndGoesLive();
    void refusedBlockLeavesTheList();
    void activationByDevice();
    void syncBlockListWithTwoDevicesSharingAnId();
    void syncBlockListKeepsABlockNotYetConfirmed();
    void deleteBlockWithTwoDevicesSharingAnId();
    void deviceDataReachesOnlyItsBlock();
    void reusedBlockIdReplacesTheStaleBlock();
    void widgetActions();

private:
    // A new block of `device` placed through AddNewModule and confirmed under `id`.
    ModuleSource* placeBlock(ModuleList& list, const QString& device, BlockId_t id);
    std::unique_ptr<ModuleSource> newBlock(const QString& device);

    std::unique_ptr<PluginEnvironment> m_plugins;
};

void TestModuleList::initTestCase()
{
    m_plugins = std::make_unique<PluginEnvironment>();
    QCOMPARE(m_plugins->plugins->GetPlugins().size(), 1);
}

std::unique_ptr<ModuleSource> TestModuleList::newBlock(const QString& device)
{
    auto instance = m_plugins->plugins->InstantiateModule(kPlugin, kEcho);
    if (!instance)
        return {};
    return std::make_unique<ModuleSource>(recordOf(device), std::move(instance), false);
}

ModuleSource* TestModuleList::placeBlock(ModuleList& list, const QString& device, BlockId_t id)
{
    std::unique_ptr<ModuleSource> block = newBlock(device);
    ModuleSource* placed = block.get();
    const BlockCreationRequestId_t request
        = list.AddNewModule(std::move(block), m_plugins->plugins->FindModuleDataClass(kEcho), true);
    list.OnBlockCreated(id, request);
    return placed;
}

void TestModuleList::storedBlocksLoadThroughThePlugin()
{
    TestWorkingFolder folder;
    storeBlock(3, kDeviceA, kPlugin, kEcho, {{"Text", "three"}, {"TessivarModuleTitleSize", 12}});
    storeBlock(4, kDeviceB, kPlugin, kEcho, {{"Text", "four"}});
    // Neither a loose file nor an empty modules folder is a block.
    QVERIFY(writeStoredValue("modules/README", QString("not a block")));

    ModuleList list;
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QTest::failOnWarning(QRegularExpression(".*"));
    QVERIFY(list.LoadModules(*m_plugins->plugins));

    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(list.rowCount(list.index(0)), 0);
    QMap<BlockId_t, ModuleSource*> byId;
    for (int row = 0; row < list.rowCount(); ++row) {
        ModuleSource* block = blockAt(list, row);
        QVERIFY(block);
        QCOMPARE(list.data(list.index(row), Qt::DisplayRole).value<ModuleSource*>(), block);
        byId.insert(block->GetBlockId(), block);
    }
    QCOMPARE(byId.keys(), QList<BlockId_t>({3, 4}));
    const TessivarModuleInstanceData* three = byId[3]->GetInstance()->instanceData();
    QCOMPARE(three->getClientParameter("Text"), QVariant("three"));
    QCOMPARE(three->getClientParameter("TessivarModuleTitleSize"), QVariant(12));
    QCOMPARE(three->getClientParameter("TessivarModuleTitleStyle"), QVariant(0));
    QCOMPARE(byId[4]->GetDeviceId(), kDeviceB);
    QCOMPARE(byId[4]->GetModuleTitle(), "Echo");
    // Restored blocks wait for their device.
    QCOMPARE(byId[3]->GetState(), ModuleSource::New);
    QVERIFY(!list.get(2).isValid());
    QVERIFY(!list.get(-1).isValid());
    QVERIFY(!list.data(list.index(2), Qt::DisplayRole).isValid());
    QCOMPARE(list.GetBlockIdsOfDevice(kDeviceA), QList<BlockId_t>{3});
    QCOMPARE(list.GetModulesOfDevice(kDeviceB).size(), 1);
    QCOMPARE(list.GetModulesOfDevice(kDeviceB).first().GetClientParameters().value("Text"), QVariant("four"));
    QVERIFY(list.GetModulesOfDevice("cccc").isEmpty());
}

// By block id as a number: "10" after "9", whatever order the folder gives its entries.
void TestModuleList::storedBlocksComeInCreationOrder()
{
    TestWorkingFolder folder;
    for (BlockId_t id : {10, 2, 100, 9})
        storeBlock(id, kDeviceA);
    ModuleList list;
    QVERIFY(list.LoadModules(*m_plugins->plugins));
    QList<BlockId_t> ids;
    for (int row = 0; row < list.rowCount(); ++row)
        ids.append(blockAt(list, row)->GetBlockId());
    QCOMPARE(ids, QList<BlockId_t>({2, 9, 10, 100}));
}

void TestModuleList::blocksWithoutAPluginAreDeletedAtStartUp()
{
    TestWorkingFolder folder;
    storeBlock(1, kDeviceA);
    storeBlock(2, kDeviceA, "com.tessivar.gone", kEcho);
    storeBlock(3, kDeviceA, kPlugin, "com.tessivar.test.unknown");
    storeBlock(4, kDeviceA, kPlugin, kBroken);

    ModuleList list;
    const QRegularExpression noInstance("Could not create module instance with plugin Id");
    for (const char* name : {"2", "3", "4"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Invalid module.*%1").arg(name)));
    for (int i = 0; i < 3; ++i)
        QTest::ignoreMessage(QtWarningMsg, noInstance);
    QVERIFY(!list.LoadModules(*m_plugins->plugins));

    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(blockAt(list, 0)->GetBlockId(), 1u);
    QCOMPARE(storedFolders(), QStringList{"1"});
}

void TestModuleList::blocksOfADisabledPluginAreDeletedAtStartUp()
{
    TestWorkingFolder folder;
    tessivar::Configuration configuration(folder.filePath("config"));
    QVERIFY(installPlugin(TESSIVAR_TEST_PLUGIN, "test"));
    configuration.setDisabledPlugins({{"test", PluginManager::FolderSignature(QDir("plugins/test"))}});
    PluginManager plugins(configuration);
    plugins.LoadPlugins();
    QVERIFY(plugins.GetPlugins().isEmpty());
    storeBlock(9, kDeviceA);

    ModuleList list;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid module.*9"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("Could not create module instance with plugin Id.*"
                                            "com.tessivar.test.*and module Id.*com.tessivar.test.echo"));
    QVERIFY(!list.LoadModules(plugins));
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(storedFolders().isEmpty());
}

void TestModuleList::folderNotNamedByANumberIsReportedAndLeftAlone()
{
    TestWorkingFolder folder;
    storeBlock(5, kDeviceA);
    QVERIFY(QDir().mkpath("modules/notes"));
    QVERIFY(writeStoredValue("modules/notes/PluginId", kPlugin));

    ModuleList list;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not open module.*notes"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid module.*notes"));
    QVERIFY(!list.LoadModules(*m_plugins->plugins));
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(storedFolders(), QStringList({"5", "notes"}));
    QCOMPARE(readStoredValue("modules/notes/PluginId"), QVariant(kPlugin));
}

void TestModuleList::linkedFolderIsNeitherLoadedNorFollowed()
{
    TestWorkingFolder folder;
    // A block of a plugin that is not loaded, reached through a link: loading it would
    // delete what the link points to.
    const QString elsewhere = storeBlock(12, kDeviceA, "com.tessivar.gone", kEcho);
    QVERIFY(QDir().rename(elsewhere, folder.filePath("elsewhere")));
    QVERIFY(QFile::link(folder.filePath("elsewhere"), "modules/12"));

    ModuleList list;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid module.*12.*is a link"));
    QVERIFY(!list.LoadModules(*m_plugins->plugins));
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(readStoredValue(folder.filePath("elsewhere/PluginId")), QVariant("com.tessivar.gone"));
    QVERIFY(QFileInfo("modules/12").isSymLink());
}

void TestModuleList::interruptedWritesLeaveEveryBlockLoadable()
{
    TestWorkingFolder folder;
    const QString root = QDir::currentPath() + "/modules/";
    // Power lost while block 1 was being stored the first time: half of it is staged.
    storeBlock(1, kDeviceA);
    QVERIFY(QDir().rename(root + "1", root + "1.new"));
    QVERIFY(QFile::remove(root + "1.new/crc"));
    QVERIFY(QDir(root + "1.new/ClientParameters").removeRecursively());
    // Lost right after block 2 was staged whole, before it was renamed into place.
    storeBlock(2, kDeviceA, kPlugin, kEcho, {{"Text", "staged"}});
    QVERIFY(QDir().rename(root + "2", root + "2.new"));
    // A staged copy of block 3 beside the block itself (a later store was cut short).
    storeBlock(3, kDeviceB, kPlugin, kEcho, {{"Text", "in place"}});
    QVERIFY(QDir().mkpath(root + "3.new"));
    QVERIFY(writeStoredValue(root + "3.new/PluginId", QString("com.tessivar.other")));
    // Block 6 staged with a "crc" that no longer matches (a value rewritten after it):
    // a half-written copy, not the block the device accepted.
    storeBlock(6, kDeviceA, kPlugin, kEcho, {{"Text", "whole"}});
    QVERIFY(QDir().rename(root + "6", root + "6.new"));
    QVERIFY(writeStoredValue(root + "6.new/ClientParameters/Text", QString("torn")));
    // A removal cut short.
    storeBlock(4, kDeviceB);
    QVERIFY(QDir().rename(root + "4", root + "4.removed"));
    // Block 5 was being updated: the new value is in place, "crc" is stale, and the
    // next value was cut off in the temporary file that QSaveFile writes first.
    storeBlock(5, kDeviceA, kPlugin, kEcho, {{"Text", "old"}});
    QVERIFY(writeStoredValue(root + "5/ClientParameters/Text", QString("new")));
    QFile cutOff(root + "5/ClientParameters/Text.Ab3dE9");
    QVERIFY(cutOff.open(QIODevice::WriteOnly));
    cutOff.write(QByteArray::fromHex("0000000a00000000"));
    cutOff.close();

    ModuleList list;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not read stored value.*Text\\.Ab3dE9"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Invalid CRC"));
    QVERIFY(list.LoadModules(*m_plugins->plugins));

    QCOMPARE(storedFolders(), QStringList({"2", "3", "5"}));
    QCOMPARE(list.rowCount(), 3);
    QMap<BlockId_t, const ModuleSource*> byId;
    for (int row = 0; row < list.rowCount(); ++row)
        byId.insert(blockAt(list, row)->GetBlockId(), blockAt(list, row));
    QCOMPARE(byId.keys(), QList<BlockId_t>({2, 3, 5}));
    QCOMPARE(byId[2]->GetRecord().GetClientParameters().value("Text"), QVariant("staged"));
    QCOMPARE(byId[3]->GetRecord().GetClientParameters().value("Text"), QVariant("in place"));
    QCOMPARE(pluginOf(root + "3"), kPlugin);
    QCOMPARE(byId[5]->GetRecord().GetClientParameters().value("Text"), QVariant("new"));
    QVERIFY(!byId[5]->GetRecord().GetClientParameters().contains("Text.Ab3dE9"));

    // The next change of block 5 puts its folder right again.
    byId[5]->GetInstance()->instanceData()->setClientParameter("Text", "newest");
    QTest::failOnWarning(QRegularExpression("Invalid CRC"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Could not read stored value.*Text\\.Ab3dE9"));
    const ModuleRecord reloaded(root + "5");
    QCOMPARE(reloaded.GetClientParameters().value("Text"), QVariant("newest"));
}

void TestModuleList::newBlocksGetCreationRequestIds()
{
    TestWorkingFolder folder;
    ModuleList list;
    QSignalSpy requested(&list, &ModuleList::moduleCreationRequested);
    const TessivarModuleDataInfo* dataClass = m_plugins->plugins->FindModuleDataClass(kEcho);

    std::unique_ptr<ModuleSource> first = newBlock(kDeviceA);
    first->GetInstance()->instanceData()->setClientParameter("Text", "first");
    ModuleSource* placed = first.get();
    QCOMPARE(list.AddNewModule(std::move(first), dataClass, true), 0);
    QCOMPARE(placed->GetCreationRequestId(), 0);
    QCOMPARE(placed->GetState(), ModuleSource::CreationRequested);
    QCOMPARE(requested.count(), 1);
    const QList<QVariant> request = requested.takeFirst();
    QCOMPARE(request[0].toString(), kEcho);
    QCOMPARE(request[1].toString(), "EchoData.qml");
    QCOMPARE(request[2].toMap().value("Text"), QVariant("first"));
    QCOMPARE(request[2].toMap().value("TessivarModuleTitleSize"), QVariant(20));
    QVERIFY(request[3].toMap().isEmpty());
    QCOMPARE(request[4].value<BlockCreationRequestId_t>(), 0);
    QCOMPARE(request[5].toString(), kDeviceA);

    // Without a request the block is listed and numbered all the same.
    QCOMPARE(list.AddNewModule(newBlock(kDeviceB), dataClass, false), 1);
    QCOMPARE(requested.count(), 0);
    QCOMPARE(list.rowCount(), 2);

    // Without a data class the block is destroyed and nothing is listed.
    std::unique_ptr<ModuleSource> orphanBlock = newBlock(kDeviceA);
    QPointer<ModuleSource> orphan = orphanBlock.get();
    QCOMPARE(list.AddNewModule(std::move(orphanBlock), nullptr, true), -1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(orphan.isNull());
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.AddNewModule(newBlock(kDeviceA), dataClass, true), 2);
    QVERIFY(storedFolders().isEmpty());
}

void TestModuleList::confirmedBlockIsStoredAndGoesLive()
{
    TestWorkingFolder folder;
    ModuleList list;
    QSignalSpy parameters(&list, &ModuleList::moduleParametersUpdated);
    QSignalSpy data(&list, &ModuleList::moduleDataUpdated);
    const TessivarModuleDataInfo* dataClass = m_plugins->plugins->FindModuleDataClass(kEcho);
    std::unique_ptr<ModuleSource> waitingOwned = newBlock(kDeviceA);
    ModuleSource* waiting = waitingOwned.get();
    std::unique_ptr<ModuleSource> confirmedOwned = newBlock(kDeviceA);
    ModuleSource* confirmed = confirmedOwned.get();
    list.AddNewModule(std::move(waitingOwned), dataClass, true);
    const BlockCreationRequestId_t request = list.AddNewModule(std::move(confirmedOwned), dataClass, true);

    list.OnBlockCreated(17, 99); // no such request
    QVERIFY(storedFolders().isEmpty());
    list.OnBlockCreated(17, request);

    QCOMPARE(confirmed->GetBlockId(), 17u);
    QVERIFY(confirmed->IsConnected());
    QCOMPARE(waiting->GetState(), ModuleSource::CreationRequested);
    QCOMPARE(storedFolders(), QStringList{"17"});
    QCOMPARE(readStoredValue("modules/17/DeviceId"), QVariant(kDeviceA));
    QCOMPARE(parameters.count(), 1);
    QCOMPARE(parameters[0][0].value<BlockId_t>(), 17u);
    QCOMPARE(parameters[0][1].toString(), kDeviceA);
    QCOMPARE(parameters[0][2].toMap().value("Text"), QVariant("hello"));
    QCOMPARE(data.count(), 1);
    QCOMPARE(data[0][2].toMap(), QVariantMap({{"Value", 0}}));

    // A repeated answer for a block already stored neither moves nor drops it.
    list.OnBlockCreated(18, request);
    list.RemoveModuleByRequestId(request);
    QCOMPARE(confirmed->GetBlockId(), 17u);
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(storedFolders(), QStringList{"17"});
}

void TestModuleList::refusedBlockLeavesTheList()
{
    TestWorkingFolder folder;
    ModuleList list;
    placeBlock(list, kDeviceA, 3);
    const TessivarModuleDataInfo* dataClass = m_plugins->plugins->FindModuleDataClass(kEcho);
    const BlockCreationRequestId_t request = list.AddNewModule(newBlock(kDeviceA), dataClass, true);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);

    list.RemoveModuleByRequestId(request + 1);
    QCOMPARE(removed.count(), 0);
    list.RemoveModuleByRequestId(request);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed[0][1].toInt(), 1);
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(storedFolders(), QStringList{"3"});
}

void TestModuleList::activationByDevice()
{
    TestWorkingFolder folder;
    ModuleList list;
    ModuleSource* a = placeBlock(list, kDeviceA, 1);
    ModuleSource* b = placeBlock(list, kDeviceB, 1);
    list.DeactivateModulesOfDevice(kDeviceA);
    list.DeactivateModulesOfDevice(kDeviceB);
    QSignalSpy aConnected(a, &ModuleSource::connectedChanged);
    QSignalSpy parameters(&list, &ModuleList::moduleParametersUpdated);

    list.ActivateModulesOfDevice(kDeviceA);
    QVERIFY(a->IsConnected());
    QVERIFY(!b->IsConnected());
    QCOMPARE(aConnected.count(), 1);
    QCOMPARE(parameters.count(), 1);
    QCOMPARE(parameters[0][1].toString(), kDeviceA);

    list.ActivateModulesOfDevice(kDeviceB);
    list.DeactivateModulesNotOn({kDeviceB});
    QVERIFY(!a->IsConnected());
    QVERIFY(b->IsConnected());
    // Device ids are compared exactly.
    list.DeactivateModulesNotOn({kDeviceB.toUpper()});
    QVERIFY(!b->IsConnected());
}

void TestModuleList::syncBlockListWithTwoDevicesSharingAnId()
{
    TestWorkingFolder folder;
    ModuleList list;
    ModuleSource* a7 = placeBlock(list, kDeviceA, 7);
    ModuleSource* b7 = placeBlock(list, kDeviceB, 7);
    ModuleSource* a8 = placeBlock(list, kDeviceA, 8);
    const QString b7Folder = b7->GetRecord().GetFolder().absolutePath();
    QCOMPARE(storedFolders(), QStringList({"7", "7-2", "8"}));
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Deleting block 7 on.*" + kDeviceA));
    list.SyncBlockList(kDeviceA, {8});
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(blockAt(list, 0), b7);
    QCOMPARE(blockAt(list, 1), a8);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(storedFolders(), QStringList({"7-2", "8"}));
    QCOMPARE(readStoredValue(b7Folder + "/DeviceId"), QVariant(kDeviceB));
    Q_UNUSED(a7);

    // An empty list leaves the device without blocks, in memory and on disk.
    list.SyncBlockList(kDeviceB, {});
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(storedFolders(), QStringList{"8"});

    // What is left loads back as it was.
    ModuleList restarted;
    QVERIFY(restarted.LoadModules(*m_plugins->plugins));
    QCOMPARE(restarted.GetBlockIdsOfDevice(kDeviceA), QList<BlockId_t>{8});
    QVERIFY(restarted.GetBlockIdsOfDevice(kDeviceB).isEmpty());
}

// The device's list crosses the block registration: the block it does not list yet
// stays, and the device's answer still finds it.
void TestModuleList::syncBlockListKeepsABlockNotYetConfirmed()
{
    TestWorkingFolder folder;
    ModuleList list;
    placeBlock(list, kDeviceA, 3);
    const TessivarModuleDataInfo* dataClass = m_plugins->plugins->FindModuleDataClass(kEcho);
    std::unique_ptr<ModuleSource> waitingOwned = newBlock(kDeviceA);
    ModuleSource* waiting = waitingOwned.get();
    const BlockCreationRequestId_t request = list.AddNewModule(std::move(waitingOwned), dataClass, true);

    list.SyncBlockList(kDeviceA, {});
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(blockAt(list, 0), waiting);
    list.OnBlockCreated(4, request);
    QCOMPARE(waiting->GetBlockId(), 4u);
    QCOMPARE(storedFolders(), QStringList{"4"});
}

void TestModuleList::deleteBlockWithTwoDevicesSharingAnId()
{
    TestWorkingFolder folder;
    ModuleList list;
    placeBlock(list, kDeviceA, 7);
    ModuleSource* b7 = placeBlock(list, kDeviceB, 7);
    b7->GetInstance()->instanceData()->setClientParameter("Text", "B's block");

    list.DeleteBlock(7, "cccc");   // no such device
    list.DeleteBlock(8, kDeviceA); // no such block
    QCOMPARE(list.rowCount(), 2);
    list.DeleteBlock(7, kDeviceA);
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(blockAt(list, 0), b7);
    QCOMPARE(storedFolders(), QStringList{"7-2"});

    ModuleList restarted;
    QVERIFY(restarted.LoadModules(*m_plugins->plugins));
    QCOMPARE(restarted.rowCount(), 1);
    const ModuleRecord& record = blockAt(restarted, 0)->GetRecord();
    QCOMPARE(record.GetBlockId(), 7u);
    QCOMPARE(record.GetDeviceId(), kDeviceB);
    QCOMPARE(record.GetClientParameters().value("Text"), QVariant("B's block"));

    // A new block 7 of device A takes the plain folder name again.
    placeBlock(restarted, kDeviceA, 7);
    QCOMPARE(storedFolders(), QStringList({"7", "7-2"}));
}

void TestModuleList::reusedBlockIdReplacesTheStaleBlock()
{
    TestWorkingFolder folder;
    ModuleList list;
    ModuleSource* old = placeBlock(list, kDeviceA, 5);
    QPointer<ModuleSource> watch = old;
    placeBlock(list, kDeviceB, 5);
    ModuleSource* renewed = placeBlock(list, kDeviceA, 5);

    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(blockAt(list, 1), renewed);
    QTRY_VERIFY(!watch);
    // The new block has the plain folder again; device B's block is untouched.
    QCOMPARE(storedFolders(), QStringList({"5", "5-2"}));
    QCOMPARE(readStoredValue("modules/5/DeviceId"), QVariant(kDeviceA));
}

void TestModuleList::deviceDataReachesOnlyItsBlock()
{
    TestWorkingFolder folder;
    ModuleList list;
    ModuleSource* a = placeBlock(list, kDeviceA, 7);
    ModuleSource* b = placeBlock(list, kDeviceB, 7);
    QSignalSpy data(&list, &ModuleList::moduleDataUpdated);
    QSignalSpy notifications(&list, &ModuleList::moduleNotificationSent);

    list.ProcessBlockData(7, kDeviceB, {{"Value", 3}, {"Notify", "pressed"}});
    list.ProcessBlockData(9, kDeviceB, {{"Value", 4}});
    QCOMPARE(b->GetInstance()->instanceData()->getClientData("Value"), QVariant(3));
    QCOMPARE(a->GetInstance()->instanceData()->getClientData("Value"), QVariant(0));
    QCOMPARE(data.count(), 1);
    QCOMPARE(data[0][0].value<BlockId_t>(), 7u);
    QCOMPARE(data[0][1].toString(), kDeviceB);
    QCOMPARE(data[0][2].toMap(), QVariantMap({{"Value", 3}}));
    QCOMPARE(notifications.count(), 1);
    QCOMPARE(notifications[0][0].toString(), "pressed");
    QCOMPARE(notifications[0][2].toString(), kDeviceB);
}

void TestModuleList::widgetActions()
{
    TestWorkingFolder folder;
    ModuleList list;
    ModuleSource* a = placeBlock(list, kDeviceA, 5);
    ModuleSource* b = placeBlock(list, kDeviceB, 6);
    QSignalSpy deleted(&list, &ModuleList::moduleDeleted);
    QSignalSpy modification(&list, &ModuleList::moduleModificationRequested);
    QSignalSpy information(&list, &ModuleList::moduleInformationRequested);

    // The way QML calls them.
    QVERIFY(QMetaObject::invokeMethod(&list, "modifyModuleFromWidget", Q_ARG(ModuleSource*, b)));
    QCOMPARE(modification.count(), 1);
    QCOMPARE(modification[0][0].value<ModuleSource*>(), b);
    QVERIFY(QMetaObject::invokeMethod(&list, "showModuleInformation", Q_ARG(ModuleSource*, b)));
    QCOMPARE(information.count(), 1);
    QCOMPARE(information[0][0].toString(), kPlugin);
    QCOMPARE(information[0][1].toString(), kEcho);

    QStringList order;
    connect(&list, &ModuleList::moduleDeleted, this,
            [&] { order << QStringLiteral("deleted:%1").arg(list.rowCount()); });
    connect(&list, &QAbstractItemModel::rowsRemoved, this, [&] { order << "removed"; });
    QVERIFY(QMetaObject::invokeMethod(&list, "deleteModuleFromWidget", Q_ARG(ModuleSource*, a)));
    QCOMPARE(order, QStringList({"deleted:2", "removed"}));
    QCOMPARE(deleted[0][0].value<BlockId_t>(), 5u);
    QCOMPARE(deleted[0][1].toString(), kDeviceA);
    QCOMPARE(storedFolders(), QStringList{"6"});

    // A block that is not (or no longer) listed changes nothing.
    std::unique_ptr<ModuleSource> stranger = newBlock(kDeviceA);
    list.deleteModuleFromWidget(stranger.get());
    list.modifyModuleFromWidget(stranger.get());
    list.showModuleInformation(nullptr);
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(modification.count(), 1);
    QCOMPARE(information.count(), 1);
    QCOMPARE(list.rowCount(), 1);
}

QTEST_GUILESS_MAIN(TestModuleList)
#include "tst_modulelist.moc"
