#include "HandlerTestSupport.h"

#include "communication/DeviceConnectionList.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace tessivar;
using namespace tessivar::communication;
using network::PeerEndPoint;
using network::TimePoint;
using tessivar::test::TestWorkingFolder;

namespace {

const QString kPhoneId = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kTabletId = QStringLiteral("fedcba9876543210fedcba9876543210");

PeerEndPoint endPoint(const char* address, quint16 port = 20948)
{
    return PeerEndPoint(QHostAddress(QString::fromLatin1(address)), port);
}

} // namespace

// "DeviceConnections" in the settings file, and the bookkeeping the handler relies on.
class TestDeviceConnectionList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
        m_configuration = std::make_unique<CommonConfiguration>(configPath());
        m_now = TimePoint(std::chrono::seconds(1700000000));
    }

    void cleanup()
    {
        m_configuration.reset();
        m_folder.reset();
    }

    // The stored text: an indented JSON array of objects with exactly three members,
    // the url built from the endpoint, the time in whole seconds rounded toward zero.
    void storedLayout()
    {
        DeviceConnectionList list = makeList();
        m_now = TimePoint(std::chrono::seconds(1700000000) + network::Ticks(9999999));
        list.Update(kPhoneId, endPoint("192.168.1.20"));
        list.Update(kTabletId, PeerEndPoint(QHostAddress(QStringLiteral("::ffff:192.168.1.21")), 20950));
        list.Flush();

        const QByteArray stored = storedText();
        QVERIFY(stored.startsWith("[\n    {\n"));
        const QJsonArray array = QJsonDocument::fromJson(stored).array();
        QCOMPARE(array.size(), 2);
        const QJsonObject phone = array.at(0).toObject();
        QCOMPARE(phone.keys(), (QStringList{QStringLiteral("DeviceId"), QStringLiteral("LastKnownEndPointUrl"),
                                            QStringLiteral("LastOnlineTimeStampSeconds")}));
        QCOMPARE(phone.value(QStringLiteral("DeviceId")).toString(), kPhoneId);
        QCOMPARE(phone.value(QStringLiteral("LastKnownEndPointUrl")).toString(),
                 QStringLiteral("ws://192.168.1.20:20948"));
        QVERIFY(phone.value(QStringLiteral("LastOnlineTimeStampSeconds")).isDouble());
        QCOMPARE(phone.value(QStringLiteral("LastOnlineTimeStampSeconds")).toInteger(), 1700000000);
        QCOMPARE(array.at(1).toObject().value(QStringLiteral("LastKnownEndPointUrl")).toString(),
                 QStringLiteral("ws://192.168.1.21:20950"));
    }

    // Read back: n seconds are the time point n seconds after the epoch; every record is
    // inactive; the endpoint comes from the url alone.
    void readBack()
    {
        writeStored(QStringLiteral("[{\"DeviceId\":\"%1\",\"LastKnownEndPointUrl\":\"ws://10.0.0.7:20948\","
                                   "\"LastOnlineTimeStampSeconds\":1234567890}]")
                        .arg(kPhoneId)
                        .toUtf8());
        DeviceConnectionList list = makeList();
        list.Load();
        QCOMPARE(list.GetConnections().size(), size_t(1));
        const DeviceConnectionData_t& record = list.GetConnections().front();
        QCOMPARE(record.LastOnline, TimePoint(std::chrono::seconds(1234567890)));
        QVERIFY(!record.Active);
        QCOMPARE(record.LastKnownEndPoint.GetAddress(), QHostAddress(QStringLiteral("10.0.0.7")));
        QCOMPARE(record.LastKnownEndPoint.ToUrl(), QUrl(QStringLiteral("ws://10.0.0.7:20948")));
        QCOMPARE(list.FindInactiveEndPoint(kPhoneId), std::optional<PeerEndPoint>(endPoint("10.0.0.7")));
        QVERIFY(!list.FindActiveEndPoint(kPhoneId).has_value());

        // Saving what was read writes the same text back.
        list.Save();
        const QJsonObject written = QJsonDocument::fromJson(storedText()).array().at(0).toObject();
        QCOMPARE(written.value(QStringLiteral("LastOnlineTimeStampSeconds")).toInteger(), 1234567890);
        QCOMPARE(written.value(QStringLiteral("LastKnownEndPointUrl")).toString(),
                 QStringLiteral("ws://10.0.0.7:20948"));
    }

    // Damaged values load as far as they are sound; nothing crashes.
    void damagedStoredValues_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("loaded");
        QTest::newRow("not json") << QByteArray("this is not json") << 0;
        QTest::newRow("object") << QByteArray("{\"DeviceId\":\"a\"}") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("mixed") << QByteArray("[1, \"x\", {}, {\"DeviceId\":\"\"}, {\"DeviceId\":\"a\"}]") << 1;
        QTest::newRow("duplicate id")
            << QByteArray("[{\"DeviceId\":\"a\",\"LastKnownEndPointUrl\":\"ws://10.0.0.1:1\"},"
                          "{\"DeviceId\":\"a\",\"LastKnownEndPointUrl\":\"ws://10.0.0.2:1\"}]")
            << 1;
    }

    void damagedStoredValues()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, loaded);
        writeStored(stored);
        DeviceConnectionList list = makeList();
        list.Load();
        QCOMPARE(int(list.GetConnections().size()), loaded);
    }

    // Two hundred devices connecting together cost a few writes of the list, not one
    // each; the last state is what is stored, and what waits is written at the end.
    void crowdedChangesAreWrittenTogether()
    {
        QSignalSpy written(m_configuration.get(), &CommonConfiguration::DeviceConnectionsChanged);
        {
            DeviceConnectionList list = makeList();
            for (int i = 0; i < 200; ++i) {
                const QString id = QStringLiteral("device-%1").arg(i);
                list.Update(id, PeerEndPoint(QHostAddress(quint32(0x0a000000 + i)), 20948));
                list.SetActive(id);
            }
            QVERIFY(written.count() <= 2);
            QTRY_COMPARE(QJsonDocument::fromJson(storedText()).array().size(), 200);
            QVERIFY(written.count() <= 3);
            list.SetInactive(QStringLiteral("device-0"));
            list.Remove(QStringLiteral("device-1"));
        }
        QCOMPARE(QJsonDocument::fromJson(storedText()).array().size(), 199);
    }

    void keepOnlyKeepsOrderAndDoesNotSave()
    {
        DeviceConnectionList list = makeList();
        list.Update(QStringLiteral("a"), endPoint("10.0.0.1"));
        list.Update(QStringLiteral("b"), endPoint("10.0.0.2"));
        list.Update(QStringLiteral("c"), endPoint("10.0.0.3"));
        const QByteArray before = storedText();
        list.KeepOnly({QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("z")});
        QCOMPARE(list.GetConnections().size(), size_t(2));
        QCOMPARE(list.GetConnections().at(0).DeviceId, QStringLiteral("a"));
        QCOMPARE(list.GetConnections().at(1).DeviceId, QStringLiteral("c"));
        QCOMPARE(storedText(), before);
        list.Save();
        QCOMPARE(QJsonDocument::fromJson(storedText()).array().size(), 2);
    }

    // The active flag moves LastOnline only when it changes; lookups by endpoint
    // compare addresses, not ports, and respect the flag.
    void activeFlagAndLookups()
    {
        DeviceConnectionList list = makeList();
        list.Update(kPhoneId, endPoint("10.0.0.1", 50000));
        QCOMPARE(list.GetConnections().front().LastOnline, m_now);
        QVERIFY(!list.GetConnections().front().Active);

        m_now += std::chrono::seconds(5);
        list.SetActive(kPhoneId);
        QCOMPARE(list.GetConnections().front().LastOnline, m_now);
        const TimePoint activated = m_now;
        m_now += std::chrono::seconds(5);
        list.SetActive(kPhoneId);
        QCOMPARE(list.GetConnections().front().LastOnline, activated);

        QCOMPARE(list.FindActiveDevice(endPoint("10.0.0.1", 1)), std::optional<QString>(kPhoneId));
        QVERIFY(!list.FindInactiveDevice(endPoint("10.0.0.1")).has_value());
        QVERIFY(!list.FindActiveDevice(endPoint("10.0.0.2")).has_value());
        QCOMPARE(list.FindActiveEndPoint(kPhoneId)->GetPort(), std::optional<quint16>(50000));

        // A new endpoint replaces the old one in place; the record stays the only one.
        list.Update(kPhoneId, endPoint("10.0.0.9"));
        QCOMPARE(list.GetConnections().size(), size_t(1));
        QCOMPARE(list.FindActiveDevice(endPoint("10.0.0.9")), std::optional<QString>(kPhoneId));
        QVERIFY(!list.FindActiveDevice(endPoint("10.0.0.1")).has_value());

        // Two records at one address: the first answers for it, until it goes.
        list.Update(kTabletId, endPoint("10.0.0.9"));
        list.SetActive(kTabletId);
        QCOMPARE(list.FindActiveDevice(endPoint("10.0.0.9")), std::optional<QString>(kPhoneId));
        list.Remove(kPhoneId);
        QCOMPARE(list.FindActiveDevice(endPoint("10.0.0.9")), std::optional<QString>(kTabletId));
        list.Update(kPhoneId, endPoint("10.0.0.9"));
        list.SetActive(kPhoneId);
        list.Remove(kTabletId);

        list.SetInactive(kPhoneId);
        QVERIFY(!list.FindActiveDevice(endPoint("10.0.0.9")).has_value());
        QCOMPARE(list.GetConnections().front().LastOnline, m_now);
        QCOMPARE(list.FindInactiveDevice(endPoint("10.0.0.9")), std::optional<QString>(kPhoneId));
        // Unknown ids change nothing but still write the list.
        list.SetActive(QStringLiteral("nobody"));
        QCOMPARE(list.GetConnections().size(), size_t(1));
    }

private:
    QString configPath() const { return m_folder->filePath(QStringLiteral("config")); }

    DeviceConnectionList makeList()
    {
        return DeviceConnectionList(*m_configuration, [this] { return m_now; });
    }

    QByteArray storedText() const
    {
        QSettings settings(configPath(), QSettings::IniFormat);
        return settings.value(QStringLiteral("common/DeviceConnections")).toByteArray();
    }

    void writeStored(const QByteArray& value) { m_configuration->setDeviceConnections(value); }

    std::unique_ptr<TestWorkingFolder> m_folder;
    std::unique_ptr<CommonConfiguration> m_configuration;
    TimePoint m_now;
};

QTEST_GUILESS_MAIN(TestDeviceConnectionList)
#include "tst_deviceconnectionlist.moc"
