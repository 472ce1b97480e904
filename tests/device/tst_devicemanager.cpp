#include "device/DeviceManager.h"
#include "device/DeviceManagerModel.h"
#include "device/LocalNetworkDevice.h"

#include "core/CommonConfiguration.h"
#include "support/TestWorkingFolder.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::device;
using tessivar::CommonConfiguration;

namespace {

std::unique_ptr<IDevice> heardOf(const QString& id)
{
    return std::make_unique<LocalNetworkDevice>(id, ApplicationType_e::Client);
}

std::unique_ptr<IDevice> byHand(const char* address)
{
    return std::make_unique<LocalNetworkDevice>(QHostAddress(QString::fromLatin1(address)));
}

std::unique_ptr<IDevice> withAddress(const QString& id, const char* address)
{
    return std::make_unique<LocalNetworkDevice>(id, QHostAddress(QString::fromLatin1(address)));
}

QStringList ids(DeviceManager& manager)
{
    QStringList result;
    manager.ForEachDevice([&](IDevice& device) { result.append(device.GetId()); });
    return result;
}

QStringList storedIds(const CommonConfiguration& configuration)
{
    QStringList result;
    for (const DeviceData_t& record : configuration.KnownDevices())
        result.append(record.id);
    return result;
}

} // namespace

// Which devices the manager holds, merges, reports and remembers.
class TestDeviceManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
        m_configuration = std::make_unique<CommonConfiguration>(m_folder->filePath(QStringLiteral("config")));
    }

    void cleanup()
    {
        m_configuration.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_folder.reset();
    }

    void currentDeviceFromConfiguration()
    {
        m_configuration->setDeviceId(QStringLiteral("0123456789abcdef0123456789abcdef"));
        m_configuration->setDeviceName(QStringLiteral("Office PC"));
        DeviceManager manager(*m_configuration);
        QCOMPARE(manager.GetCurrentDevice().GetId(), QStringLiteral("0123456789abcdef0123456789abcdef"));
        QCOMPARE(manager.GetCurrentDevice().GetName(), QStringLiteral("Office PC"));
        QVERIFY(!manager.GetDevice(manager.GetCurrentDevice().GetId()));
        QVERIFY(QMetaType::fromName("NetworkDeviceId_t").isValid());
        QCOMPARE(ids(manager), QStringList());
    }

    void sameIdIsMergedIntoTheHeldDevice()
    {
        DeviceManager manager(*m_configuration);
        IDevice& first = manager.AddDevice(heardOf(QStringLiteral("a")));
        IDevice& second = manager.AddDevice(heardOf(QStringLiteral("a")));
        QCOMPARE(&second, &first);
        QCOMPARE(ids(manager), QStringList{QStringLiteral("a")});
        QCOMPARE(manager.GetModel()->rowCount(), 1);
        QCOMPARE(manager.GetDevice(QStringLiteral("a")), &first);
        QVERIFY(!manager.GetDevice(QStringLiteral("A")));
    }

    void sameAddressHandsTheNewIdToTheHeldDevice()
    {
        DeviceManager manager(*m_configuration);
        IDevice& held = manager.AddDevice(withAddress(QStringLiteral("old"), "192.168.1.30"));
        held.Register(QStringLiteral("Phone"), ApplicationType_e::Client, QVersionNumber(1, 0));
        QSignalSpy saved(m_configuration.get(), &CommonConfiguration::KnownDevicesChanged);

        IDevice& merged = manager.AddDevice(withAddress(QStringLiteral("new"), "192.168.1.30"));
        QCOMPARE(&merged, &held);
        QCOMPARE(held.GetId(), QStringLiteral("new"));
        QCOMPARE(ids(manager), QStringList{QStringLiteral("new")});
        QCOMPARE(saved.count(), 1);
        QCOMPARE(storedIds(*m_configuration), QStringList{QStringLiteral("new")});

        // A peer without an id has none to hand over: the held device keeps its own.
        IDevice& anonymous = manager.AddDevice(withAddress(QString(), "192.168.1.30"));
        QVERIFY(&anonymous != &held);
        QCOMPARE(held.GetId(), QStringLiteral("new"));
        anonymous.Register(QStringLiteral("Nameless"), ApplicationType_e::Client, QVersionNumber(1));
        manager.SaveKnownDevices();
        QCOMPARE(storedIds(*m_configuration), QStringList{QStringLiteral("new")});
    }

    void devicesAddedByHandAreNeverMerged()
    {
        DeviceManager manager(*m_configuration);
        manager.AddDevice(withAddress(QStringLiteral("a"), "192.168.1.40"));
        IDevice& sameAddress = manager.AddDevice(byHand("192.168.1.40"));
        IDevice& other = manager.AddDevice(byHand("192.168.1.41"));
        IDevice& again = manager.AddDevice(byHand("192.168.1.41"));
        QCOMPARE(manager.GetDeviceCount(), 4);
        QVERIFY(&sameAddress != &other && &other != &again);
        QCOMPARE(ids(manager), (QStringList{QStringLiteral("a"), QString(), QString(), QString()}));
        QVERIFY(!manager.GetDevice(QString()));
    }

    void devicesHeardOfWithoutAddressStayApart()
    {
        DeviceManager manager(*m_configuration);
        manager.AddDevice(heardOf(QStringLiteral("phone1")));
        manager.AddDevice(heardOf(QStringLiteral("phone2")));
        QCOMPARE(ids(manager), (QStringList{QStringLiteral("phone1"), QStringLiteral("phone2")}));
    }

    void storedListHoldsRegisteredDevicesOnly()
    {
        DeviceManager manager(*m_configuration);
        QSignalSpy saved(m_configuration.get(), &CommonConfiguration::KnownDevicesChanged);
        manager.AddDevice(byHand("192.168.1.50"));
        QCOMPARE(saved.count(), 0);
        // Nothing to store until it registers, so nothing is written for it either.
        IDevice& heard = manager.AddDevice(heardOf(QStringLiteral("unregistered")));
        QCOMPARE(saved.count(), 0);
        QCOMPARE(storedIds(*m_configuration), QStringList());

        heard.SetConnected(true);
        heard.Register(QStringLiteral("Phone"), ApplicationType_e::Client, QVersionNumber(1, 4));
        manager.SaveKnownDevices();
        QCOMPARE(storedIds(*m_configuration), QStringList{QStringLiteral("unregistered")});

        // A device added by hand and matched to a peer stays out until it registers.
        IDevice* matched = nullptr;
        manager.ForEachDevice([&](IDevice& device) {
            if (device.IsAddedManually())
                matched = &device;
        });
        QVERIFY(matched);
        matched->SetId(QStringLiteral("matched"));
        matched->SetKnown(true);
        manager.SaveKnownDevices();
        manager.FlushKnownDevices();
        QCOMPARE(storedIds(*m_configuration), QStringList{QStringLiteral("unregistered")});
        matched->Register(QStringLiteral("Tablet"), ApplicationType_e::Client, QVersionNumber(1, 4));
        manager.SaveKnownDevices();
        // In order of addition: the device added by hand came first. Saves close together
        // are written once, shortly after.
        QTRY_COMPARE(storedIds(*m_configuration),
                     (QStringList{QStringLiteral("matched"), QStringLiteral("unregistered")}));

        const DeviceData_t record = m_configuration->KnownDevices().constLast();
        QCOMPARE(record.name, QStringLiteral("Phone"));
        QCOMPARE(record.version, QVersionNumber(1, 4));
        QCOMPARE(record.applicationType, ApplicationType_e::Client);
        QVERIFY(record.known);
        QVERIFY(m_configuration->ParameterVersions().contains(QStringLiteral("common/KnownDevices")));
    }

    void removingTheLastDeviceStoresAnEmptyList()
    {
        DeviceManager manager(*m_configuration);
        IDevice& device = manager.AddDevice(heardOf(QStringLiteral("only")));
        device.Register(QStringLiteral("Phone"), ApplicationType_e::Client, QVersionNumber(1));
        manager.SaveKnownDevices();
        QCOMPARE(storedIds(*m_configuration), QStringList{QStringLiteral("only")});

        manager.RemoveDevice(QStringLiteral("unknown id"));
        QCOMPARE(manager.GetDeviceCount(), 1);
        manager.RemoveDevice(QStringLiteral("only"));
        QCOMPARE(manager.GetDeviceCount(), 0);
        QCOMPARE(manager.GetModel()->rowCount(), 0);
        manager.FlushKnownDevices();

        QSettings stored(m_configuration->fileName(), QSettings::IniFormat);
        QVERIFY(stored.contains(QStringLiteral("common/KnownDevices")));
        const QVariant value = stored.value(QStringLiteral("common/KnownDevices"));
        QCOMPARE(value.metaType().name(), "QList<DeviceData_t>");
        QVERIFY(value.value<QList<DeviceData_t>>().isEmpty());
    }

    void deviceAddedByHandCanBeRemovedBeforeItHasAnId()
    {
        DeviceManager manager(*m_configuration);
        manager.AddDevice(heardOf(QStringLiteral("a")));
        manager.AddDevice(byHand("192.168.1.60"));
        manager.RemoveDevice(QString());
        QCOMPARE(ids(manager), QStringList{QStringLiteral("a")});
    }

    void connectionChangesReachTheCallbacks()
    {
        m_configuration->setKnownDevices({stored(QStringLiteral("restored"))});
        DeviceManager manager(*m_configuration);
        QStringList events;
        manager.SetDeviceConnectedCallback([&](const IDevice& d) { events << QStringLiteral("+") + d.GetId(); });
        manager.SetDeviceDisconnectedCallback([&](const IDevice& d) { events << QStringLiteral("-") + d.GetId(); });
        IDevice& added = manager.AddDevice(heardOf(QStringLiteral("added")));

        added.SetConnected(true);
        manager.GetDevice(QStringLiteral("restored"))->SetConnected(true);
        added.SetConnected(true);
        added.SetConnected(false);
        QCOMPARE(events, (QStringList{"+added", "+restored", "-added"}));

        manager.SetDeviceDisconnectedCallback({});
        manager.GetDevice(QStringLiteral("restored"))->SetConnected(false);
        QCOMPARE(events.size(), 3);
    }

    void restoredDevicesAreKnownAndNotConnected()
    {
        DeviceData_t first = stored(QStringLiteral("first"));
        first.known = false;
        DeviceData_t withoutId = stored(QString());
        m_configuration->setKnownDevices({first, withoutId, stored(QStringLiteral("second")), stored("first")});
        QSignalSpy saved(m_configuration.get(), &CommonConfiguration::KnownDevicesChanged);

        DeviceManager manager(*m_configuration);
        QCOMPARE(ids(manager), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
        QCOMPARE(saved.count(), 0);
        IDevice& device = *manager.GetDevice(QStringLiteral("first"));
        QVERIFY(device.IsKnown());
        QVERIFY(!device.IsConnected());
        QVERIFY(!device.IsRegistered());
        QVERIFY(!device.IsAddedManually());
        QCOMPARE(device.GetName(), QStringLiteral("Name of first"));
        QCOMPARE(device.GetAddress(), QHostAddress(QStringLiteral("10.0.0.5")));
        QCOMPARE(device.GetVersion(), QVersionNumber(1, 5, 1));
        QCOMPARE(device.GetApplicationType(), ApplicationType_e::Client);
        QCOMPARE(manager.GetModel()->rowCount(), 2);
    }

private:
    static DeviceData_t stored(const QString& id)
    {
        DeviceData_t record;
        record.id = id;
        record.name = QStringLiteral("Name of ") + id;
        record.applicationType = ApplicationType_e::Client;
        record.version = QVersionNumber(1, 5, 1);
        record.address = QHostAddress(QStringLiteral("10.0.0.5"));
        record.known = true;
        return record;
    }

    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;
    std::unique_ptr<CommonConfiguration> m_configuration;
};

QTEST_GUILESS_MAIN(TestDeviceManager)
#include "tst_devicemanager.moc"
