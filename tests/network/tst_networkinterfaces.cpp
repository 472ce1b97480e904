#include "network/NetworkStatusModel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar::network;

namespace {

// Interfaces come and go through ip(8), in the network namespace this test runs in
// alone (see main): nothing outside the test sees them.
bool ip(const QString& arguments)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments.split(' '));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList namesOf(const NetworkInterfaces& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.data(model.index(row), Qt::DisplayRole).value<NetworkInterfaceModel*>()->InterfaceName());
    return names;
}

NetworkInterfaceModel* row(const NetworkInterfaces& model, const QString& name)
{
    for (int i = 0; i < model.rowCount(); ++i) {
        if (model.at(i)->InterfaceName() == name)
            return model.at(i);
    }
    return nullptr;
}

const char* kEnvironmentMarker = "TESSIVAR_TEST_OWN_NETNS";

} // namespace

class TestNetworkInterfaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void appearWithoutLoopback();
    void updatedInPlace_data();
    void updatedInPlace();
    void vanishedAdapterRemovedAndAppendedAgain();
    void sameHardwareAddressSharesOneRow();
    void listedToQml();
};

void TestNetworkInterfaces::initTestCase()
{
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    if (all.size() != 1 || all.first().type() != QNetworkInterface::Loopback)
        QSKIP("Needs a network namespace of its own with loopback only");
}

void TestNetworkInterfaces::init()
{
    QVERIFY(ip("link add tva0 address 02:00:00:00:0a:01 type veth peer name tvb0 address 02:00:00:00:0b:01"));
    QVERIFY(ip("addr add 10.77.0.1/24 dev tva0"));
    QVERIFY(ip("link set tva0 up"));
}

void TestNetworkInterfaces::cleanup()
{
    ip("link del tva0");
    ip("link del tvc0");
}

void TestNetworkInterfaces::appearWithoutLoopback()
{
    NetworkInterfaces model;
    QCOMPARE(model.rowCount(), 0); // empty until the first update
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.updateInterfaces();
    QCOMPARE(inserted.size(), 2); // one row at a time
    QStringList names = namesOf(model);
    names.sort();
    QCOMPARE(names, (QStringList{"tva0", "tvb0"}));
    QCOMPARE(row(model, "tva0")->IpAddress(), QStringLiteral("10.77.0.1"));
    QCOMPARE(row(model, "tvb0")->IpAddress(), QString()); // IPv6 link-local at most
    QVERIFY(row(model, "tva0")->Active());
    QVERIFY(!row(model, "tvb0")->Active());
    QVERIFY(!row(model, "tva0")->IsWifi());
    QVERIFY(!model.data(model.index(5), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(QModelIndex(), Qt::DisplayRole).isValid());
}

void TestNetworkInterfaces::updatedInPlace_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("active");
    QTest::newRow("address added") << "addr add 10.78.0.2/24 dev tvb0"
                                   << "10.78.0.2" << false;
    QTest::newRow("brought up") << "link set tvb0 up"
                                << "" << true;
    QTest::newRow("renamed") << "link set tvb0 name tvb1"
                             << "" << false;
}

void TestNetworkInterfaces::updatedInPlace()
{
    QFETCH(QString, change);
    QFETCH(QString, address);
    QFETCH(bool, active);
    NetworkInterfaces model;
    model.updateInterfaces();
    NetworkInterfaceModel* tvb = row(model, "tvb0");
    QVERIFY(tvb);
    const QStringList before = namesOf(model);
    QSignalSpy changed(tvb, &NetworkInterfaceModel::interfaceChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    QVERIFY(ip(change));
    model.updateInterfaces();

    QVERIFY(changed.size() >= 1);
    QCOMPARE(inserted.size() + removed.size(), 0);
    QCOMPARE(model.rowCount(), before.size());
    QCOMPARE(tvb->IpAddress(), address);
    QCOMPARE(tvb->Active(), active);
    QCOMPARE(tvb->InterfaceName(), change.endsWith("tvb1") ? QStringLiteral("tvb1") : QStringLiteral("tvb0"));
}

void TestNetworkInterfaces::vanishedAdapterRemovedAndAppendedAgain()
{
    NetworkInterfaces model;
    model.updateInterfaces();
    const QStringList first = namesOf(model);
    QVERIFY(ip("link add tvc0 address 02:00:00:00:0c:01 type veth peer name tvd0 address 02:00:00:00:0d:01"));
    model.updateInterfaces();
    QCOMPARE(namesOf(model).mid(0, 2), first);
    QCOMPARE(model.rowCount(), 4);
    QPointer<NetworkInterfaceModel> gone = row(model, "tvc0");

    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QVERIFY(ip("link del tva0")); // takes its peer along
    model.updateInterfaces();
    QCOMPARE(removed.size(), 2);
    QStringList left = namesOf(model);
    left.sort();
    QCOMPARE(left, (QStringList{"tvc0", "tvd0"}));

    QVERIFY(ip("link del tvc0"));
    model.updateInterfaces();
    QCOMPARE(model.rowCount(), 0);
    QTRY_VERIFY(gone.isNull()); // deleted once QML had its chance to let go

    QVERIFY(ip("link add tva0 address 02:00:00:00:0a:01 type veth peer name tvb0 address 02:00:00:00:0b:01"));
    model.updateInterfaces();
    QCOMPARE(model.rowCount(), 2);
}

void TestNetworkInterfaces::sameHardwareAddressSharesOneRow()
{
    // Two adapters with one address (virtual adapters often have none): the one listed
    // later shows.
    QVERIFY(ip("link set tvb0 address 02:00:00:00:0a:01"));
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    const QNetworkInterface tva = QNetworkInterface::interfaceFromName("tva0");
    const QNetworkInterface tvb = QNetworkInterface::interfaceFromName("tvb0");
    QCOMPARE(tva.hardwareAddress(), tvb.hardwareAddress());

    QList<QNetworkInterface> listed{tva, tvb};
    NetworkInterfaces model([&listed] { return listed; });
    model.updateInterfaces();
    QCOMPARE(namesOf(model), QStringList{"tvb0"});
    listed = {tvb, tva};
    model.updateInterfaces();
    QCOMPARE(namesOf(model), QStringList{"tva0"});
}

void TestNetworkInterfaces::listedToQml()
{
    QQmlEngine engine;
    NetworkStatusModel status;
    engine.rootContext()->setContextProperty("NetworkStatus", &status);
    QQmlComponent component(&engine);
    component.setData(R"(
        import QtQuick
        Item {
            property bool noFirewall: NetworkStatus.Firewall === null
            Repeater {
                id: rows
                model: NetworkStatus.Interfaces
                delegate: Item { property string name: display.InterfaceName; property string ip: display.IpAddress }
            }
            function refresh() { NetworkStatus.Interfaces.updateInterfaces() }
            function read() { var r = []; for (var i = 0; i < rows.count; ++i) r.push(rows.itemAt(i).name + "=" + rows.itemAt(i).ip); return r.sort() }
        })",
                      QUrl());
    std::unique_ptr<QObject> page(component.create());
    QVERIFY2(page, qPrintable(component.errorString()));
    QVERIFY(page->property("noFirewall").toBool());
    QMetaObject::invokeMethod(page.get(), "refresh");
    QVariant names;
    QMetaObject::invokeMethod(page.get(), "read", Q_RETURN_ARG(QVariant, names));
    QCOMPARE(names.toStringList(), (QStringList{"tva0=10.77.0.1", "tvb0="}));

    QObject firewall;
    status.setFirewall(&firewall);
    QVERIFY(!page->property("noFirewall").toBool());
}

// Runs the tests again inside a network namespace of their own, so that the
// interfaces they create are seen by no other process.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet(kEnvironmentMarker)) {
        QCoreApplication app(argc, argv);
        QStringList arguments = app.arguments();
        const QString self = arguments.takeFirst();
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kEnvironmentMarker, "1");
        child.setProcessEnvironment(environment);
        const QStringList unshare = QFileInfo(QStringLiteral("/proc/self")).ownerId() == 0
            ? QStringList{"-n", "--"}
            : QStringList{"-r", "-n", "--"};
        child.start(QStringLiteral("unshare"), unshare + QStringList{self} + arguments);
        if (!child.waitForStarted() || !child.waitForFinished(-1))
            return 1;
        return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
    }
    QGuiApplication app(argc, argv);
    TestNetworkInterfaces test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_networkinterfaces.moc"
