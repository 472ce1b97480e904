#include "device/DeviceManager.h"
#include "device/DeviceManagerModel.h"
#include "device/LocalNetworkDevice.h"
#include "device/UnknownDeviceModelWrapper.h"

#include "core/CommonConfiguration.h"
#include "support/TestWorkingFolder.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::device;
using tessivar::CommonConfiguration;

// The device list as QML sees it: rows, counts, the connection flag and placeholders.
class TestDeviceManagerModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
        m_configuration = std::make_unique<CommonConfiguration>(m_folder->filePath(QStringLiteral("config")));
        m_manager = std::make_unique<DeviceManager>(*m_configuration);
        m_model = m_manager->GetModel();
    }

    void cleanup()
    {
        m_manager.reset();
        m_configuration.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_folder.reset();
    }

    void rowsFollowTheManager()
    {
        QSignalSpy inserted(m_model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(m_model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy count(m_model, &DeviceManagerModel::DeviceCountChanged);
        add(QStringLiteral("a"));
        add(QStringLiteral("b"));
        m_manager->AddDevice(std::make_unique<LocalNetworkDevice>(QStringLiteral("a"), ApplicationType_e::Client));
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(count.count(), 2);
        QCOMPARE(m_model->property("deviceCount").toInt(), 2);

        const QVariant display = m_model->data(m_model->index(1), Qt::DisplayRole);
        QCOMPARE(display.value<QObject*>()->property("id").toString(), QStringLiteral("b"));
        QCOMPARE(m_model->roleNames().value(Qt::DisplayRole), QByteArray("display"));
        QVERIFY(!m_model->data(m_model->index(2)).isValid());
        QCOMPARE(m_model->GetDeviceByIndex(0)->property("id").toString(), QStringLiteral("a"));
        QCOMPARE(m_model->GetDeviceById(QStringLiteral("b")), display.value<QObject*>());
        QCOMPARE(m_model->GetDeviceById(QStringLiteral("nobody")), nullptr);

        m_manager->RemoveDevice(QStringLiteral("a"));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 0);
        QCOMPARE(count.count(), 3);
        QCOMPARE(m_model->rowCount(), 1);
        QCOMPARE(m_model->GetDeviceByIndex(0)->property("id").toString(), QStringLiteral("b"));
    }

    void connectedFlagAcrossTwoDevices()
    {
        IDevice& a = add(QStringLiteral("a"));
        IDevice& b = add(QStringLiteral("b"));
        QSignalSpy changed(m_model, &DeviceManagerModel::HasAtLeastOneConnectedDeviceChanged);
        QVERIFY(!m_model->property("hasAtLeastOneConnectedDevice").toBool());

        a.SetConnected(true);
        b.SetConnected(true);
        QVERIFY(m_model->HasAtLeastOneConnectedDevice());
        QVERIFY(!m_model->IsThereOnlyOneDeviceAndItIsConnected());
        a.SetConnected(false);
        QVERIFY(m_model->HasAtLeastOneConnectedDevice());
        b.SetConnected(false);
        QVERIFY(!m_model->HasAtLeastOneConnectedDevice());
        QCOMPARE(changed.count(), 4);

        b.SetConnected(true);
        QVERIFY(m_model->HasAtLeastOneConnectedDevice());
        m_manager->RemoveDevice(QStringLiteral("b"));
        QVERIFY(!m_model->HasAtLeastOneConnectedDevice());
        QCOMPARE(changed.count(), 6);
        a.SetConnected(true);
        QVERIFY(m_model->IsThereOnlyOneDeviceAndItIsConnected());
    }

    void connectedDeviceAddedLaterRaisesTheFlag()
    {
        auto device = std::make_unique<LocalNetworkDevice>(QStringLiteral("a"), ApplicationType_e::Client);
        device->SetConnected(true);
        QSignalSpy changed(m_model, &DeviceManagerModel::HasAtLeastOneConnectedDeviceChanged);
        m_manager->AddDevice(std::move(device));
        QCOMPARE(changed.count(), 1);
        QVERIFY(m_model->HasAtLeastOneConnectedDevice());
    }

    void placeholderFollowsADeviceAddedLater()
    {
        QObject* placeholder = m_model->GetPossibleUnknownDevice(QStringLiteral("later"));
        QVERIFY(qobject_cast<UnknownDeviceModelWrapper*>(placeholder));
        QCOMPARE(m_model->GetPossibleUnknownDevice(QStringLiteral("later")), placeholder);
        QCOMPARE(placeholder->property("name").toString(), QString());
        QSignalSpy named(placeholder, SIGNAL(NameChanged()));

        IDevice& device = add(QStringLiteral("later"));
        QCOMPARE(named.count(), 1);
        device.Register(QStringLiteral("Kitchen tablet"), ApplicationType_e::Client, QVersionNumber(1, 5));
        QCOMPARE(placeholder->property("name").toString(), QStringLiteral("Kitchen tablet"));
        QCOMPARE(named.count(), 2);
        QCOMPARE(m_model->GetPossibleUnknownDevice(QStringLiteral("later")), device.GetModel());

        // Once the device is removed, the id gets a fresh, empty placeholder.
        QPointer<QObject> old = placeholder;
        m_manager->RemoveDevice(QStringLiteral("later"));
        QObject* fresh = m_model->GetPossibleUnknownDevice(QStringLiteral("later"));
        QVERIFY(fresh != placeholder);
        QCOMPARE(fresh->property("name").toString(), QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
    }

    void placeholderFollowsADeviceAddedByHandOnceMatched()
    {
        QObject* placeholder = m_model->GetPossibleUnknownDevice(QStringLiteral("matched"));
        IDevice& device = m_manager->AddDevice(
            std::make_unique<LocalNetworkDevice>(QHostAddress(QStringLiteral("192.168.1.9"))));
        device.SetId(QStringLiteral("matched"));
        device.SetName(QStringLiteral("Laptop"));
        QCOMPARE(placeholder->property("name").toString(), QStringLiteral("Laptop"));
    }

    void modelHeldByScriptOutlivesItsDevice()
    {
        QJSEngine engine;
        IDevice& device = add(QStringLiteral("held"));
        device.SetName(QStringLiteral("Phone"));
        engine.globalObject().setProperty(QStringLiteral("device"), engine.newQObject(device.GetModel()));
        QPointer<DeviceModel> model = device.GetModel();
        engine.collectGarbage();
        QVERIFY(model);

        m_manager->RemoveDevice(QStringLiteral("held"));
        QVERIFY(model);
        QCOMPARE(engine.evaluate(QStringLiteral("device.name")).toString(), QStringLiteral("Phone"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!model);
        const QJSValue after = engine.evaluate(QStringLiteral("device === null || device.name === undefined"));
        QVERIFY(after.toBool());
    }

private:
    IDevice& add(const QString& id)
    {
        return m_manager->AddDevice(std::make_unique<LocalNetworkDevice>(id, ApplicationType_e::Client));
    }

    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;
    std::unique_ptr<CommonConfiguration> m_configuration;
    std::unique_ptr<DeviceManager> m_manager;
    DeviceManagerModel* m_model = nullptr;
};

QTEST_GUILESS_MAIN(TestDeviceManagerModel)
#include "tst_devicemanagermodel.moc"
