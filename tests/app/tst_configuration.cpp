#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "support/TestWorkingFolder.h"

#include <QFile>
#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using tessivar::Configuration;

class TestConfiguration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tessivar::test::TestWorkingFolder> m_folder;

    QString configPath() const { return m_folder->filePath(QStringLiteral("config")); }

    void writeRaw(const QByteArray& content)
    {
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<tessivar::test::TestWorkingFolder>();
        QVERIFY(m_folder->isValid());
    }

    void cleanup() { m_folder.reset(); }

    void defaultsWithoutFile()
    {
        Configuration configuration(configPath());
        QCOMPARE(configuration.Port(), 20948);
        QCOMPARE(configuration.DeviceName(), QHostInfo::localHostName());
        QCOMPARE(configuration.FirstLaunch(), true);
        QCOMPARE(configuration.SoftwareVersion(), QVersionNumber(1, 5, 1));
        QCOMPARE(configuration.LogDebug(), false);
        QCOMPARE(configuration.ShowTutorial(), true);
        QVERIFY(configuration.KnownDevices().isEmpty());
        QVERIFY(configuration.DeviceConnections().isEmpty());
        QCOMPARE(configuration.MinimizeToTray(), false);
        QCOMPARE(configuration.CloseToTray(), false);
        QCOMPARE(configuration.TrayMessageShown(), false);
        QCOMPARE(configuration.ShowUpdateNotifications(), true);
        QCOMPARE(configuration.IgnoreFirewall(), false);
        QCOMPARE(configuration.ShowSplashScreen(), true);
        QVERIFY(configuration.DisabledPlugins().isEmpty());
        QVERIFY(configuration.isParameterAvailable(QStringLiteral("common/Port")));
        QVERIFY(configuration.checkParameterVersions());
        QVERIFY(!QFile::exists(configPath())); // reading never writes
    }

    // Every setter writes, records its version and notifies, even for an unchanged value.
    void setterWritesRecordsAndNotifies()
    {
        Configuration configuration(configPath());
        QSignalSpy spy(&configuration, &Configuration::CloseToTrayChanged);
        configuration.setCloseToTray(false);
        configuration.setCloseToTray(false);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toBool(), false);

        QSettings file(configPath(), QSettings::IniFormat);
        QVERIFY(file.contains(QStringLiteral("app/CloseToTray")));
        const QVariantMap versions = file.value(QStringLiteral("ParameterVersions")).toMap();
        QCOMPARE(versions.value(QStringLiteral("app/CloseToTray")).value<QVersionNumber>(), QVersionNumber(1, 5, 1));
    }

    // In a batch the setters notify at once; the file gets every write, with its version,
    // when the outermost batch closes.
    void batchedWritesReachTheFileWhenTheBatchCloses()
    {
        Configuration configuration(configPath());
        QSignalSpy spy(&configuration, &Configuration::PortChanged);
        // The disk's text: settings objects of one process share what is not synced yet.
        const auto onDisk = [&] {
            QFile file(configPath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        {
            Configuration::WriteBatch outer(configuration);
            {
                Configuration::WriteBatch inner(configuration);
                configuration.setPort(31000);
                configuration.setCloseToTray(true);
            }
            QCOMPARE(spy.count(), 1);
            QVERIFY(!onDisk().contains("Port"));
        }
        QVERIFY(onDisk().contains("Port=31000"));
        QSettings file(configPath(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("app/CloseToTray")).toBool(), true);
        const QVariantMap versions = file.value(QStringLiteral("ParameterVersions")).toMap();
        QVERIFY(versions.contains(QStringLiteral("common/Port")));
        QVERIFY(versions.contains(QStringLiteral("app/CloseToTray")));

        // Closed, the setters sync at once again.
        configuration.setPort(31001);
        QVERIFY(onDisk().contains("Port=31001"));
    }

    void valuesSurviveReopening()
    {
        {
            Configuration configuration(configPath());
            configuration.setPort(31000);
            configuration.setDeviceName(QStringLiteral("Living room PC"));
            configuration.setSoftwareVersion(QVersionNumber(1, 4));
            configuration.setDeviceConnections(QByteArray("{\"a\":1}"));
            configuration.setDisabledPlugins({{QStringLiteral("misc"), QStringLiteral("1234")}});
        }
        Configuration reopened(configPath());
        QCOMPARE(reopened.Port(), 31000);
        QCOMPARE(reopened.DeviceName(), QStringLiteral("Living room PC"));
        QCOMPARE(reopened.SoftwareVersion(), QVersionNumber(1, 4));
        QCOMPARE(reopened.DeviceConnections(), QByteArray("{\"a\":1}"));
        const QList<DisabledPlugin_t> expected{{QStringLiteral("misc"), QStringLiteral("1234")}};
        QCOMPARE(reopened.DisabledPlugins(), expected);
        QCOMPARE(reopened.ParameterVersions().size(), 5);
    }

    // What one start writes, the next start reads: a process of its own opens the file.
    void versionsSurviveAFreshProcess()
    {
        {
            Configuration configuration(configPath());
            configuration.setPort(31000);
            configuration.setFirstLaunch(false);
            configuration.setSoftwareVersion(QVersionNumber(1, 4));
            DeviceData_t phone;
            phone.id = QStringLiteral("phone");
            phone.version = QVersionNumber(2, 0, 3);
            phone.known = true;
            configuration.setKnownDevices({phone});
        }
        QProcess child;
        child.start(QStringLiteral(CONFIG_READBACK_CHILD), {configPath()});
        QVERIFY(child.waitForFinished(15000));
        QCOMPARE(child.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
        QVERIFY2(lines.contains(QStringLiteral("SoftwareVersion=1.4")), qPrintable(lines.join(QLatin1Char('|'))));
        for (const char* parameter : {"common/Port", "common/FirstLaunch", "common/SoftwareVersion", "common/KnownDevices"})
            QVERIFY2(lines.contains(QStringLiteral("Version %1=1.5.1").arg(QLatin1String(parameter))),
                     qPrintable(lines.join(QLatin1Char('|'))));
        QVERIFY(lines.contains(QStringLiteral("KnownDevice phone=2.0.3")));
    }

    void wronglyTypedValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text port") << QByteArray("[common]\nPort=abc\n");
        QTest::newRow("list where a record list belongs")
            << QByteArray("[common]\nKnownDevices=a, b\n[app]\nDisabledPlugins=@Variant(garbage)\n");
        QTest::newRow("text version") << QByteArray("[common]\nSoftwareVersion=1.4.2\n");
    }

    void wronglyTypedValues()
    {
        QFETCH(QByteArray, content);
        writeRaw(content);
        Configuration configuration(configPath());
        if (content.contains("Port"))
            QCOMPARE(configuration.Port(), 0); // converted: the type's empty value, not the default
        if (content.contains("KnownDevices")) {
            QVERIFY(configuration.KnownDevices().isEmpty());
            QVERIFY(configuration.DisabledPlugins().isEmpty());
        }
        if (content.contains("SoftwareVersion"))
            QCOMPARE(configuration.SoftwareVersion(), QVersionNumber(1, 4, 2));
    }

    // A file that is no INI file still gives defaults and is kept aside before any write.
    void garbageFileGivesDefaultsAndIsKept()
    {
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(static_cast<char>((i * 7919) & 0xff));
        garbage.prepend("[common\n\x01\x02=\x03[[\n");
        writeRaw(garbage);
        Configuration configuration(configPath());
        QCOMPARE(configuration.status(), QSettings::FormatError);
        QCOMPARE(configuration.Port(), 20948);
        QCOMPARE(configuration.FirstLaunch(), true);
        QFile kept(configPath() + QStringLiteral(".unreadable"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
    }

    // Stores raw variant bytes under a key the way QSettings writes a QVariant of a
    // custom type, so that damaged values can be planted.
    void plantVariantBytes(const QString& key, const QByteArray& bytes)
    {
        {
            QSettings settings(configPath(), QSettings::IniFormat);
            settings.setValue(key, bytes);
        }
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray content = file.readAll();
        file.close();
        content.replace("@ByteArray(", "@Variant(");
        writeRaw(content);
    }

    void damagedDisabledPluginsKeepsReadableRecords()
    {
        const QList<DisabledPlugin_t> stored{{QStringLiteral("one"), QStringLiteral("11")},
                                             {QStringLiteral("two"), QStringLiteral("22")}};
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0); // what QSettings uses for variants
        out << QVariant::fromValue(stored);
        bytes.chop(3);
        plantVariantBytes(QStringLiteral("app/DisabledPlugins"), bytes);

        Configuration reopened(configPath());
        const QList<DisabledPlugin_t> plugins = reopened.DisabledPlugins();
        QCOMPARE(plugins.size(), 1);
        QCOMPARE(plugins.first().folderName, QStringLiteral("one"));
    }

    // A count of four billion records must not make the reader reserve memory for them.
    void hostileCountIsNotAllocated()
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0);
        out << QVariant::fromValue(QList<DisabledPlugin_t>{});
        bytes.chop(4); // the empty list's count
        QByteArray hostile;
        QDataStream tail(&hostile, QIODevice::WriteOnly);
        tail.setVersion(QDataStream::Qt_4_0);
        tail << quint32(0xfffffffe) << QStringLiteral("x");
        bytes += hostile;
        plantVariantBytes(QStringLiteral("app/DisabledPlugins"), bytes);

        Configuration reopened(configPath());
        QVERIFY(reopened.DisabledPlugins().isEmpty());
    }

    void generatedDeviceId()
    {
        const QString id = Configuration::generateDeviceId();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(id).hasMatch());
        QTest::qWait(2);
        QVERIFY(Configuration::generateDeviceId() != id);
        // Without a stored identifier, the default is a fresh one; once stored, it stays.
        Configuration configuration(configPath());
        configuration.setDeviceId(id);
        QCOMPARE(configuration.DeviceId(), id);
    }

    void resets()
    {
        Configuration configuration(configPath());
        configuration.setPort(1234);
        configuration.setDeviceName(QStringLiteral("other"));
        QSignalSpy nameSpy(&configuration, &Configuration::DeviceNameChanged);
        configuration.resetPort();
        configuration.resetDeviceName();
        QCOMPARE(configuration.Port(), 20948);
        QCOMPARE(configuration.DeviceName(), QHostInfo::localHostName());
        QCOMPARE(nameSpy.count(), 1);
        configuration.resetDeviceName(); // already the host name: nothing written
        QCOMPARE(nameSpy.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
