#include "IniValueText.h"

#include "device/DeviceManager.h"
#include "device/IDevice.h"
#include "device/LocalNetworkDevice.h"

#include "core/CommonConfiguration.h"
#include "support/TestWorkingFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTest>

using namespace tessivar::device;
using tessivar::CommonConfiguration;
using tessivar::test::IniValueText;

namespace {

// One stored record, written field by field as another program would.
struct PlainRecord {
    QString id;
    QString name;
    QList<qint32> version;
    quint32 ipv4 = 0;
    bool known = true;
    qint32 applicationType = 1;
};

void writePlain(QDataStream& out, const PlainRecord& record)
{
    out << record.id << record.name << quint32(record.version.size());
    for (qint32 segment : record.version)
        out << segment;
    out << qint8(0) << record.ipv4; // protocol 0 is IPv4, then the address
    out << record.known << record.applicationType;
}

QByteArray plainList(const QList<PlainRecord>& records, quint32 count)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << count;
    for (const PlainRecord& record : records)
        writePlain(out, record);
    return bytes;
}

QByteArray plainList(const QList<PlainRecord>& records)
{
    return plainList(records, quint32(records.size()));
}

PlainRecord phone(const QString& id, quint32 ipv4 = 0xC0A80107 /* 192.168.1.7 */)
{
    return PlainRecord{id, QStringLiteral("Phone ") + id, {1, 4, 2}, ipv4, true, 1};
}

} // namespace

// "KnownDevices" as it lies in the settings file: its byte layout, lists written by
// other programs, and damaged values.
class TestKnownDevices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
        m_path = m_folder->filePath(QStringLiteral("config"));
    }

    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_folder.reset();
    }

    void storedLayoutReadsWithAPlainStream()
    {
        {
            CommonConfiguration configuration(m_path);
            DeviceManager manager(configuration);
            IDevice& first = manager.AddDevice(
                std::make_unique<LocalNetworkDevice>(QStringLiteral("id-1"), ApplicationType_e::Client));
            first.SetAddress(QHostAddress(QStringLiteral("192.168.1.7")));
            first.Register(QStringLiteral("Phone é"), ApplicationType_e::Client, QVersionNumber(1, 4, 2));
            IDevice& second = manager.AddDevice(
                std::make_unique<LocalNetworkDevice>(QStringLiteral("id-2"), ApplicationType_e::Client));
            second.Register(QStringLiteral("Tablet"), ApplicationType_e::Helper, QVersionNumber(2));
            manager.SaveKnownDevices();
        }

        const std::optional<QByteArray> value
            = IniValueText::read(m_path, QStringLiteral("common"), QStringLiteral("KnownDevices"));
        QVERIFY(value);
        QVERIFY(value->startsWith("@Variant(") && value->endsWith(")"));
        QDataStream in(value->mid(9, value->size() - 10));
        in.setVersion(QDataStream::Qt_4_0); // what QSettings streams its variants with
        quint32 marker = 0;
        QByteArray typeName;
        in >> marker;
        QCOMPARE(marker, 127u);
        in >> typeName;
        QCOMPARE(typeName, QByteArray("QList<DeviceData_t>", sizeof("QList<DeviceData_t>")));

        quint32 count = 0;
        in >> count;
        QCOMPARE(count, 2u);
        checkRecord(in, QStringLiteral("id-1"), QStringLiteral("Phone é"), {1, 4, 2}, QHostAddress(0xC0A80107), 1);
        if (QTest::currentTestFailed())
            return;
        checkRecord(in, QStringLiteral("id-2"), QStringLiteral("Tablet"), {2}, QHostAddress(), 3);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(in.status(), QDataStream::Ok);
        QVERIFY(in.atEnd());

        QSettings fresh(m_path, QSettings::IniFormat);
        const QVariant stored = fresh.value(QStringLiteral("common/KnownDevices"));
        QCOMPARE(stored.metaType().name(), "QList<DeviceData_t>");
        QCOMPARE(stored.value<QList<DeviceData_t>>().size(), 2);
    }

    void listOfAnotherProgramIsRestored()
    {
        PlainRecord notKnown = phone(QStringLiteral("b"), 0x0A000002);
        notKnown.known = false;
        notKnown.applicationType = 2;
        writeKnownDevices(
            IniValueText::userTypeVariant("QList<DeviceData_t>", plainList({phone(QStringLiteral("a")), notKnown})));

        CommonConfiguration configuration(m_path);
        DeviceManager manager(configuration);
        QCOMPARE(manager.GetDeviceCount(), 2);
        IDevice& a = *manager.GetDevice(QStringLiteral("a"));
        QCOMPARE(a.GetName(), QStringLiteral("Phone a"));
        QCOMPARE(a.GetVersion(), QVersionNumber(1, 4, 2));
        QCOMPARE(a.GetAddress(), QHostAddress(QStringLiteral("192.168.1.7")));
        QCOMPARE(a.GetApplicationType(), ApplicationType_e::Client);
        QVERIFY(a.IsKnown());
        QVERIFY(!a.IsConnected());
        IDevice& b = *manager.GetDevice(QStringLiteral("b"));
        QCOMPARE(b.GetAddress(), QHostAddress(QStringLiteral("10.0.0.2")));
        QCOMPARE(b.GetApplicationType(), ApplicationType_e::Server);
        QVERIFY(b.IsKnown());
        QCOMPARE(b.GetModel()->property("address").toString(), QStringLiteral("10.0.0.2"));
    }

    void damagedValuesLoadWhatIsReadable_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QStringList>("restored");
        const QByteArray type = "QList<DeviceData_t>";
        const QByteArray two = plainList({phone(QStringLiteral("a")), phone(QStringLiteral("b"))});

        QTest::newRow("cut inside the second record")
            << IniValueText::userTypeVariant(type, two.left(two.size() - 3)) << QStringList{"a"};
        QTest::newRow("cut inside the count") << IniValueText::userTypeVariant(type, two.left(2)) << QStringList();
        QTest::newRow("count beyond the records")
            << IniValueText::userTypeVariant(type, plainList({phone(QStringLiteral("a"))}, 0xFFFFFFFFu))
            << QStringList{"a"};
        QTest::newRow("record without id")
            << IniValueText::userTypeVariant(type, plainList({phone(QString()), phone(QStringLiteral("b"))}))
            << QStringList{"b"};

        PlainRecord hugeVersion = phone(QStringLiteral("b"));
        QByteArray bytes = plainList({phone(QStringLiteral("a")), hugeVersion});
        const QByteArray segments = QByteArray::fromHex("00000003");
        bytes.replace(bytes.lastIndexOf(segments), segments.size(), QByteArray::fromHex("ffffffff"));
        QTest::newRow("version announcing four billion segments")
            << IniValueText::userTypeVariant(type, bytes) << QStringList{"a"};

        QTest::newRow("odd string length") << IniValueText::userTypeVariant(type,
                                                                            QByteArray::fromHex("00000001"
                                                                                                "00000003"
                                                                                                "0061"))
                                           << QStringList();
        QTest::newRow("unregistered type name")
            << IniValueText::userTypeVariant("QList<SomethingElse>", two) << QStringList();
        QTest::newRow("plain text") << QByteArray("192.168.1.7") << QStringList();
        QTest::newRow("a number") << "@Variant(" + QByteArray::fromHex("0000000200000005") + ")" << QStringList();
        QTest::newRow("a byte array") << QByteArray("@ByteArray(abc)") << QStringList();
        QTest::newRow("garbage variant") << QByteArray("@Variant(\xff\xff\xff\xff\x01)") << QStringList();
        QTest::newRow("empty variant") << QByteArray("@Variant()") << QStringList();
    }

    void damagedValuesLoadWhatIsReadable()
    {
        QFETCH(QByteArray, value);
        QFETCH(QStringList, restored);
        writeKnownDevices(value);
        CommonConfiguration configuration(m_path);
        DeviceManager manager(configuration);
        QStringList ids;
        manager.ForEachDevice([&](IDevice& device) { ids << device.GetId(); });
        QCOMPARE(ids, restored);

        // The damaged value is replaced by a sound one at the next save.
        manager.SaveKnownDevices();
        CommonConfiguration reopened(m_path);
        QCOMPARE(reopened.KnownDevices().size(), restored.size());
    }

private:
    void writeKnownDevices(const QByteArray& value)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[common]\nKnownDevices=" + IniValueText::escape(value) + "\n");
    }

    static void checkRecord(QDataStream& in, const QString& id, const QString& name, const QList<qint32>& version,
                            const QHostAddress& address, qint32 type)
    {
        QString storedId;
        QString storedName;
        quint32 segmentCount = 0;
        in >> storedId >> storedName >> segmentCount;
        QCOMPARE(storedId, id);
        QCOMPARE(storedName, name);
        QCOMPARE(segmentCount, quint32(version.size()));
        for (qint32 expected : version) {
            qint32 segment = -1;
            in >> segment;
            QCOMPARE(segment, expected);
        }
        qint8 protocol = 0;
        in >> protocol;
        if (address.isNull()) {
            QCOMPARE(protocol, qint8(-1)); // no address: the protocol byte alone
        } else {
            quint32 ipv4 = 0;
            in >> ipv4;
            QCOMPARE(protocol, qint8(0));
            QCOMPARE(ipv4, address.toIPv4Address());
        }
        bool known = false;
        qint32 storedType = -1;
        in >> known >> storedType;
        QVERIFY(known);
        QCOMPARE(storedType, type);
    }

    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestKnownDevices)
#include "tst_knowndevices.moc"
