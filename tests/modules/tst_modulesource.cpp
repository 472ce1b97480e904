#include "ModuleTestSupport.h"

#include "modules/ModuleSource.h"
#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInfoData.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QColor>
#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQmlPropertyMap>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::test;

namespace {

const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");
const QString kDevice = QStringLiteral("0123456789abcdef0123456789abcdef");
const QDateTime kLongAgo = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

ModuleRecord newRecord()
{
    ModuleRecord record;
    record.SetPluginId(kPlugin);
    record.SetModuleId(kEcho);
    record.SetDescription("Echo");
    record.SetDeviceId(kDevice);
    return record;
}

QObject* probe(const ModuleSource& source)
{
    return source.GetInstance()->instanceData()->helpers()->value("Probe").value<QObject*>();
}

} // namespace

class TestModuleSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void newBlockGetsDefaultTitleParameters();
    void restoredBlockKeepsStoredValuesAndWritesNothing();
    void statesAndTheirSignals();
    void clientParameterChangeIsStoredAndSignalledInAnyState();
    void clientDataFlowsOnlyWhileActive();
    void notificationsFlowOnlyWhileActive();
    void moduleTitle();
    void processDataReachesTheModule();
    void metaDataIsTheModuleDescription();
    void removeFromStorageDeletesTheFolder();
    void propertyMapLoadSetsEveryKeyAndSignalsEachChange_data();
    void propertyMapLoadSetsEveryKeyAndSignalsEachChange();

private:
    std::unique_ptr<ModuleSource> makeSource(const ModuleRecord& record, bool fromStorage);
    std::unique_ptr<PluginEnvironment> m_plugins;
};

void TestModuleSource::initTestCase()
{
    m_plugins = std::make_unique<PluginEnvironment>();
    QCOMPARE(m_plugins->plugins->GetPlugins().size(), 1);
}

std::unique_ptr<ModuleSource> TestModuleSource::makeSource(const ModuleRecord& record, bool fromStorage)
{
    auto instance = m_plugins->plugins->InstantiateModule(record.GetPluginId(), record.GetModuleId());
    if (!instance)
        return {};
    return std::make_unique<ModuleSource>(record, std::move(instance), fromStorage);
}

void TestModuleSource::newBlockGetsDefaultTitleParameters()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    QVERIFY(source);
    const TessivarModuleInstanceData* data = source->GetInstance()->instanceData();
    const QVariantMap expected{{"TessivarModuleTitlePosition", 0},
                               {"TessivarModuleTitle", QString()},
                               {"TessivarModuleTitleSize", 20},
                               {"TessivarModuleTitleStyle", 0},
                               {"TessivarModuleTitleColor", QColor(Qt::black)},
                               {"TessivarModuleBackgroundType", 0},
                               {"TessivarModuleBackgroundColor", QColor(Qt::black)},
                               {"Text", "hello"}};
    QCOMPARE(data->clientParameters()->toVariantMap(), expected);
    // The record takes the instance's parameters; client data stays the device's business.
    QCOMPARE(source->GetRecord().GetClientParameters(), expected);
    QCOMPARE(source->GetRecord().GetLocalParameters(), QVariantMap({{"Path", QString()}}));
    QVERIFY(source->GetRecord().GetClientData().isEmpty());
    QCOMPARE(source->GetState(), ModuleSource::New);
    QCOMPARE(source->GetCreationRequestId(), -1);
    QVERIFY(!source->IsConnected());
    QVERIFY(!QDir("modules").exists());
}

void TestModuleSource::restoredBlockKeepsStoredValuesAndWritesNothing()
{
    TestWorkingFolder folder;
    ModuleRecord stored = newRecord();
    stored.SetClientParameters({{"TessivarModuleTitle", "Mine"}, {"TessivarModuleTitleSize", 31}, {"Text", "stored"}});
    stored.SetLocalParameters({{"Path", "/bin/true"}, {"TessivarModuleLocalTitle", "Local"}});
    stored.SetClientData({{"Value", 9}});
    stored.SetBlockId(21);
    // What the record holds after the block was written by a newer version: every key.
    {
        const auto complete = makeSource(ModuleRecord(QDir::currentPath() + "/modules/21"), true);
        QVERIFY(complete);
    }
    ageFiles("modules", kLongAgo);

    const ModuleRecord loaded(QDir::currentPath() + "/modules/21");
    const auto source = makeSource(loaded, true);
    QVERIFY(source);

    const TessivarModuleInstanceData* data = source->GetInstance()->instanceData();
    QCOMPARE(data->getClientParameter("TessivarModuleTitle"), QVariant("Mine"));
    QCOMPARE(data->getClientParameter("TessivarModuleTitleSize"), QVariant(31));
    QCOMPARE(data->getClientParameter("TessivarModuleTitleStyle"), QVariant(0));
    QCOMPARE(data->getClientParameter("Text"), QVariant("stored"));
    QCOMPARE(data->getClientData("Value"), QVariant(9));
    QCOMPARE(data->getLocalParameter("Path"), QVariant("/bin/true"));
    QCOMPARE(source->GetRecord().GetClientParameters(), data->clientParameters()->toVariantMap());
    QVERIFY(probe(*source)->property("reloaded").toBool());
    QCOMPARE(source->GetState(), ModuleSource::New);
    QVERIFY(!source->IsConnected());
    QCOMPARE(source->GetModuleTitle(), "Local");
    QVERIFY(filesChangedSince("modules", kLongAgo).isEmpty());
}

void TestModuleSource::statesAndTheirSignals()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    QSignalSpy parameters(source.get(), &ModuleSource::blockParametersUpdated);
    QSignalSpy data(source.get(), &ModuleSource::blockDataUpdated);
    QSignalSpy connected(source.get(), &ModuleSource::connectedChanged);
    QStringList order;
    connect(source.get(), &ModuleSource::blockParametersUpdated, this, [&] { order << "parameters"; });
    connect(source.get(), &ModuleSource::blockDataUpdated, this, [&] { order << "data"; });
    connect(source.get(), &ModuleSource::connectedChanged, this, [&] { order << "connected"; });

    source->SetCreationRequestId(4);
    QCOMPARE(source->GetState(), ModuleSource::CreationRequested);
    QCOMPARE(source->GetCreationRequestId(), 4);
    QVERIFY(order.isEmpty());

    source->SetBlockId(15);
    QCOMPARE(source->GetState(), ModuleSource::Active);
    QVERIFY(source->IsConnected());
    QCOMPARE(order, QStringList({"parameters", "data", "connected"}));
    QCOMPARE(parameters[0][0].value<BlockId_t>(), 15u);
    QCOMPARE(parameters[0][1].toString(), kDevice);
    QCOMPARE(parameters[0][2].toMap(), source->GetInstance()->instanceData()->clientParameters()->toVariantMap());
    QCOMPARE(data[0][2].toMap(), QVariantMap({{"Value", 0}}));
    QVERIFY(QFileInfo::exists("modules/15/crc"));

    order.clear();
    source->Deactivate();
    QCOMPARE(source->GetState(), ModuleSource::Inactive);
    QVERIFY(!source->IsConnected());
    QCOMPARE(order, QStringList({"connected"}));

    order.clear();
    source->Activate();
    QCOMPARE(order, QStringList({"parameters", "data", "connected"}));

    source->SetDeviceId("fedcba");
    QCOMPARE(source->GetDeviceId(), "fedcba");
    QCOMPARE(readStoredValue("modules/15/DeviceId"), QVariant("fedcba"));
}

void TestModuleSource::clientParameterChangeIsStoredAndSignalledInAnyState()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    QSignalSpy parameters(source.get(), &ModuleSource::blockParametersUpdated);
    TessivarModuleInstanceData* data = source->GetInstance()->instanceData();

    data->setClientParameter("Text", "before confirmation");
    QCOMPARE(parameters.count(), 1);
    QCOMPARE(parameters[0][2].toMap(), QVariantMap({{"Text", "before confirmation"}}));
    QCOMPARE(source->GetRecord().GetClientParameters().value("Text"), QVariant("before confirmation"));

    source->SetBlockId(2);
    source->Deactivate();
    parameters.clear();
    ageFiles("modules", kLongAgo);
    // A change from the editor's QML goes through the same map.
    data->clientParameters()->setValue("Text", "from the editor");
    QCOMPARE(parameters.count(), 1);
    QCOMPARE(parameters[0][0].value<BlockId_t>(), 2u);
    QCOMPARE(filesChangedSince("modules", kLongAgo), QStringList({"2/ClientParameters/Text", "2/crc"}));
    QCOMPARE(readStoredValue("modules/2/ClientParameters/Text"), QVariant("from the editor"));

    // Setting the value it holds is no change.
    data->setClientParameter("Text", "from the editor");
    QCOMPARE(parameters.count(), 1);
}

void TestModuleSource::clientDataFlowsOnlyWhileActive()
{
    TestWorkingFolder folder;
    ModuleRecord record = newRecord();
    record.SetClientData({{"Value", 5}});
    const auto source = makeSource(record, true);
    QSignalSpy data(source.get(), &ModuleSource::blockDataUpdated);
    TessivarModuleInstanceData* instanceData = source->GetInstance()->instanceData();

    instanceData->setClientData("Value", 6);
    QCOMPARE(data.count(), 0);

    source->Activate();
    data.clear();
    instanceData->setClientData("Value", 7);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data[0][2].toMap(), QVariantMap({{"Value", 7}}));
    // Back to what the record holds: not signalled, and the record is not changed.
    instanceData->setClientData("Value", 5);
    QCOMPARE(data.count(), 1);
    instanceData->setClientData("Fresh", 1);
    QCOMPARE(data.count(), 2);
    QCOMPARE(source->GetRecord().GetClientData(), QVariantMap({{"Value", 5}}));
}

void TestModuleSource::notificationsFlowOnlyWhileActive()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    QSignalSpy notifications(source.get(), &ModuleSource::notificationSent);
    source->ProcessData({{"Notify", "early"}});
    QCOMPARE(notifications.count(), 0);

    source->Activate();
    source->ProcessData({{"Notify", "hello device"}});
    QCOMPARE(notifications.count(), 1);
    QCOMPARE(notifications[0][0].toString(), "hello device");
    QCOMPARE(notifications[0][1].toInt(), 1500);
    QCOMPARE(notifications[0][2].toString(), kDevice);

    source->Deactivate();
    source->ProcessData({{"Notify", "late"}});
    QCOMPARE(notifications.count(), 1);
}

void TestModuleSource::moduleTitle()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    QSignalSpy titleChanged(source.get(), &ModuleSource::moduleTitleChanged);
    QSignalSpy modified(source.get(), &ModuleSource::blockModified);
    QCOMPARE(source->property("moduleTitle").toString(), "Echo");

    // The title already shown changes nothing.
    QVERIFY(source->setProperty("moduleTitle", "Echo"));
    QCOMPARE(titleChanged.count(), 0);
    QCOMPARE(modified.count(), 0);
    QVERIFY(source->GetInstance()->instanceData()->getLocalTitle().isEmpty());

    source->SetModuleTitle("Kitchen");
    QCOMPARE(source->GetModuleTitle(), "Kitchen");
    QCOMPARE(source->GetRecord().GetLocalParameters().value("TessivarModuleLocalTitle"), QVariant("Kitchen"));
    QVERIFY(titleChanged.count() >= 1);
    QCOMPARE(modified.count(), 1);

    // An empty title clears the local one, so the description shows again.
    titleChanged.clear();
    source->SetModuleTitle(QString());
    QCOMPARE(source->GetModuleTitle(), "Echo");
    QVERIFY(titleChanged.count() >= 1);
    QCOMPARE(modified.count(), 2);

    // A title set by the module itself is announced too, without blockModified.
    titleChanged.clear();
    source->ProcessData({{"Title", "From module"}});
    QCOMPARE(titleChanged.count(), 1);
    QCOMPARE(modified.count(), 2);
    QCOMPARE(source->GetModuleTitle(), "From module");
    QVERIFY(probe(*source)->property("localChanges").toInt() >= 3);
}

void TestModuleSource::processDataReachesTheModule()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    source->ProcessData({{"Value", 77}});
    QCOMPARE(source->GetInstance()->instanceData()->getClientData("Value"), QVariant(77));
}

void TestModuleSource::metaDataIsTheModuleDescription()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    auto* metaData = source->property("metaData").value<TessivarModuleInfoData*>();
    QVERIFY(metaData);
    QCOMPARE(metaData->id(), kEcho);
    QCOMPARE(metaData->name(), "Echo");
    QCOMPARE(source->property("deviceId").toString(), kDevice);
    QCOMPARE(source->property("connected").toBool(), false);
}

void TestModuleSource::removeFromStorageDeletesTheFolder()
{
    TestWorkingFolder folder;
    const auto source = makeSource(newRecord(), false);
    source->RemoveFromStorage(); // never stored: nothing happens
    source->SetBlockId(30);
    QVERIFY(QDir("modules/30").exists());
    source->RemoveFromStorage();
    QVERIFY(!QDir("modules/30").exists());
}

QTEST_GUILESS_MAIN(TestModuleSource)
void TestModuleSource::propertyMapLoadSetsEveryKeyAndSignalsEachChange_data()
{
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<QVariantMap>("loaded");
    QTest::addColumn<QVariantMap>("after");
    QTest::addColumn<QStringList>("signalled");

    // Each case with the map kept plain until the end, and with it handed to QML first.
    for (const bool shown : {false, true}) {
        const char* when = shown ? "shown in QML, " : "plain, ";
        QTest::addRow("%snew keys", when)
            << shown << QVariantMap() << QVariantMap{{"A", 1}, {"B", "two"}, {"C", 3.5}}
            << QVariantMap{{"A", 1}, {"B", "two"}, {"C", 3.5}} << QStringList{"A", "B", "C"};
        QTest::addRow("%snew, changed and unchanged keys", when)
            << shown << QVariantMap{{"A", 1}, {"B", 2}} << QVariantMap{{"A", 1}, {"B", 5}, {"C", 6}, {"D", 7}}
            << QVariantMap{{"A", 1}, {"B", 5}, {"C", 6}, {"D", 7}} << QStringList{"B", "C", "D"};
        // "keys" names a member of the map itself: it is refused, the others are set.
        QTest::addRow("%sa key the map refuses", when)
            << shown << QVariantMap() << QVariantMap{{"A", 1}, {"keys", 2}, {"Z", 3}} << QVariantMap{{"A", 1}, {"Z", 3}}
            << QStringList{"A", "Z"};
    }
}

void TestModuleSource::propertyMapLoadSetsEveryKeyAndSignalsEachChange()
{
    QFETCH(bool, shownBefore);
    QFETCH(QVariantMap, before);
    QFETCH(QVariantMap, loaded);
    QFETCH(QVariantMap, after);
    QFETCH(QStringList, signalled);

    TessivarPropertyMap map;
    QQmlEngine engine;
    if (shownBefore)
        engine.rootContext()->setContextProperty(QStringLiteral("map"), map.forQml());
    map.loadVariantMap(before);
    QSignalSpy changes(&map, &TessivarPropertyMap::valueChanged);
    map.loadVariantMap(loaded);
    QCOMPARE(map.toVariantMap(), after);
    QStringList keys;
    for (const QList<QVariant>& change : std::as_const(changes)) {
        keys.append(change.at(0).toString());
        QCOMPARE(change.at(1), after.value(keys.last()));
        // QML reads the same value as the signal carried.
        QCOMPARE(map.value(keys.last()), after.value(keys.last()));
    }
    QCOMPARE(keys, signalled);

    // QML sees every value, whenever the map was handed to it, and its writes come back.
    if (!shownBefore)
        engine.rootContext()->setContextProperty(QStringLiteral("map"), map.forQml());
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        QCOMPARE(QQmlExpression(engine.rootContext(), nullptr, "map." + it.key()).evaluate().toString(),
                 it.value().toString());
    QCOMPARE(QQmlExpression(engine.rootContext(), nullptr, "map.keys().length").evaluate().toInt(), after.size());
    changes.clear();
    QQmlExpression(engine.rootContext(), nullptr, QStringLiteral("map.A = 9")).evaluate();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes.first().at(0).toString(), "A");
    QCOMPARE(changes.first().at(1).toInt(), 9);
    QCOMPARE(map.toVariantMap().value("A").toInt(), 9);
}

#include "tst_modulesource.moc"
