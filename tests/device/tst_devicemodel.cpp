#include "device/CurrentDevice.h"
#include "device/DeviceModel.h"
#include "device/LocalNetworkDevice.h"

#include "core/ApplicationConstants.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::device;

// Device objects and the notifying model that the user interface binds to.
class TestDeviceModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void dataFieldsNotifyOnEveryCall()
    {
        DeviceModel model;
        QSignalSpy ids(&model, &DeviceModel::IdChanged);
        QSignalSpy names(&model, &DeviceModel::NameChanged);
        QSignalSpy types(&model, &DeviceModel::ApplicationTypeChanged);
        QSignalSpy addresses(&model, &DeviceModel::AddressChanged);
        QSignalSpy versions(&model, &DeviceModel::VersionChanged);
        QSignalSpy known(&model, &DeviceModel::KnownChanged);
        for (int i = 0; i < 2; ++i) {
            model.SetId(QStringLiteral("id"));
            model.SetName(QStringLiteral("Phone"));
            model.SetApplicationType(ApplicationType_e::Client);
            model.SetAddress(QHostAddress(QStringLiteral("10.0.0.2")));
            model.SetVersion(QVersionNumber(1, 2));
            model.SetKnown(true);
        }
        for (const QSignalSpy* spy : {&ids, &names, &types, &addresses, &versions, &known})
            QCOMPARE(spy->count(), 2);
        QCOMPARE(model.property("name").toString(), QStringLiteral("Phone"));
        QCOMPARE(model.property("address").toString(), QStringLiteral("10.0.0.2"));
        QCOMPARE(model.property("id").toString(), QStringLiteral("id"));
        QCOMPARE(model.property("known").toBool(), true);
    }

    void liveFlagsNotifyOnlyOnChange()
    {
        DeviceModel model;
        QSignalSpy connected(&model, &DeviceModel::ConnectedChanged);
        QSignalSpy registered(&model, &DeviceModel::RegisteredChanged);
        model.SetConnected(false);
        model.SetConnected(true);
        model.SetConnected(true);
        model.SetRegistered(true);
        model.SetRegistered(true);
        QCOMPARE(connected.count(), 1);
        QCOMPARE(registered.count(), 1);
        QCOMPARE(model.property("connected").toBool(), true);
        QCOMPARE(model.property("registered").toBool(), true);
    }

    void versionText_data()
    {
        QTest::addColumn<QVersionNumber>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QVersionNumber() << QStringLiteral("Unknown");
        QTest::newRow("zero major") << QVersionNumber(0, 9) << QStringLiteral("Unknown");
        QTest::newRow("1.0") << QVersionNumber(1, 0) << QStringLiteral("1.0");
        QTest::newRow("2.10.3") << QVersionNumber(2, 10, 3) << QStringLiteral("2.10.3");
    }

    void versionText()
    {
        QFETCH(QVersionNumber, version);
        QFETCH(QString, text);
        DeviceModel model;
        model.SetVersion(version);
        QCOMPARE(model.property("version").toString(), text);
    }

    void constructorsSetTheirFields()
    {
        const QHostAddress address(QStringLiteral("192.168.1.20"));
        LocalNetworkDevice byHand(address);
        QVERIFY(byHand.IsAddedManually());
        QVERIFY(byHand.GetId().isEmpty());
        QCOMPARE(byHand.GetAddress(), address);

        LocalNetworkDevice restored(QStringLiteral("abc"), address);
        QVERIFY(!restored.IsAddedManually());
        QCOMPARE(restored.GetId(), QStringLiteral("abc"));
        QCOMPARE(restored.GetAddress(), address);

        LocalNetworkDevice heard(QStringLiteral("def"), ApplicationType_e::Client);
        QVERIFY(!heard.IsAddedManually());
        QCOMPARE(heard.GetApplicationType(), ApplicationType_e::Client);
        QVERIFY(heard.GetAddress().isNull());
        QCOMPARE(heard.GetModel()->property("address").toString(), QString());
        for (const IDevice* device : {static_cast<IDevice*>(&byHand), static_cast<IDevice*>(&heard)}) {
            QVERIFY(!device->IsConnected());
            QVERIFY(!device->IsRegistered());
            QVERIFY(!device->IsKnown());
        }
    }

    void registrationLastsOneConnection()
    {
        LocalNetworkDevice device{QHostAddress(QStringLiteral("192.168.1.21"))};
        device.SetConnected(true);
        device.Register(QStringLiteral("Tablet"), ApplicationType_e::Client, QVersionNumber(1, 5));
        QVERIFY(!device.IsAddedManually());
        QVERIFY(device.IsRegistered());
        QVERIFY(device.IsKnown());
        QCOMPARE(device.GetName(), QStringLiteral("Tablet"));
        QCOMPARE(device.GetVersion(), QVersionNumber(1, 5));

        QSignalSpy registered(device.GetModel(), &DeviceModel::RegisteredChanged);
        device.SetConnected(false);
        QCOMPARE(registered.count(), 1);
        QVERIFY(!device.IsRegistered());
        QVERIFY(device.IsKnown());
        QCOMPARE(device.GetName(), QStringLiteral("Tablet"));
    }

    void connectionCallbackSeesTheNewState()
    {
        LocalNetworkDevice device(QStringLiteral("abc"), ApplicationType_e::Client);
        QList<bool> states;
        const IDevice* seen = nullptr;
        device.OnConnectionChanged([&](const IDevice& changed, bool connected) {
            seen = &changed;
            states.append(connected);
            QCOMPARE(changed.IsRegistered() && !connected, false);
        });
        device.SetConnected(true);
        device.Register(QStringLiteral("Phone"), ApplicationType_e::Client, QVersionNumber(1));
        device.SetConnected(true);
        device.SetConnected(false);
        QCOMPARE(states, (QList<bool>{true, false}));
        QCOMPARE(seen, &device);
    }

    void modelOutlivesItsDeviceUntilTheEventLoop()
    {
        auto device = std::make_unique<LocalNetworkDevice>(QStringLiteral("abc"), ApplicationType_e::Client);
        bool called = false;
        device->OnConnectionChanged([&](const IDevice&, bool) { called = true; });
        QPointer<DeviceModel> model = device->GetModel();
        device.reset();
        QVERIFY(model);
        QCOMPARE(model->property("id").toString(), QStringLiteral("abc"));
        model->SetConnected(true); // the gone device's callback must not run
        QVERIFY(!called);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!model);
    }

    void printedForms()
    {
        LocalNetworkDevice byHand{QHostAddress(QStringLiteral("10.1.2.3"))};
        QString text;
        QDebug(&text) << byHand;
        QCOMPARE(text.trimmed(), QStringLiteral("LocalNetworkDevice[AddedManually, Address=10.1.2.3]"));

        LocalNetworkDevice device(QStringLiteral("abc"), QHostAddress(QStringLiteral("10.1.2.4")));
        device.SetName(QStringLiteral("My phone"));
        device.SetApplicationType(ApplicationType_e::Client);
        device.SetVersion(QVersionNumber(1, 2, 0));
        text.clear();
        QDebug(&text) << device;
        QCOMPARE(text.trimmed(), QStringLiteral("LocalNetworkDevice[Connected=false, Id=abc, Name=My phone, "
                                      "ApplicationType=Client, Address=10.1.2.4, Version=QVersionNumber(1.2.0)]"));

        device.SetApplicationType(static_cast<ApplicationType_e>(42));
        text.clear();
        QDebug(&text) << device;
        QVERIFY(text.contains(QStringLiteral("ApplicationType=Unknown,")));

        text.clear();
        QDebug(&text) << std::unique_ptr<IDevice>() << std::unique_ptr<IDevice>(new CurrentDevice("id1", "PC"));
        QCOMPARE(text.trimmed(), QStringLiteral("N/A CurrentDevice[Id=id1, Name=PC]"));
    }

    void currentDeviceIsFixedButForIdAndName()
    {
        CurrentDevice device(QStringLiteral("id1"), QStringLiteral("PC"));
        device.SetConnected(false);
        device.SetKnown(false);
        device.SetAddress(QHostAddress(QStringLiteral("10.0.0.9")));
        device.SetApplicationType(ApplicationType_e::Client);
        device.Register(QStringLiteral("Other"), ApplicationType_e::Helper, QVersionNumber(9));
        device.SetId(QStringLiteral("id2"));
        device.SetName(QStringLiteral("Desk"));
        bool called = false;
        device.OnConnectionChanged([&](const IDevice&, bool) { called = true; });

        QCOMPARE(device.GetId(), QStringLiteral("id2"));
        QCOMPARE(device.GetName(), QStringLiteral("Desk"));
        QVERIFY(device.IsConnected() && device.IsRegistered() && device.IsKnown());
        QVERIFY(!device.IsAddedManually());
        QCOMPARE(device.GetAddress(), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(device.GetApplicationType(), ApplicationType_e::Server);
        QCOMPARE(device.GetVersion(), tessivar::softwareVersion());
        QCOMPARE(device.GetModel(), nullptr);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "tst_devicemodel.moc"
